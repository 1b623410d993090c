-- The language server in a real editor: headless Neovim with its built-in client, set up by
-- editors/nvim/kelvconv.lua, on a Shift-JIS item list with mistakes. Each step waits a few seconds
-- at most for the server and fails saying which step it was.
--
--   KELVCONV=build/gcc/kelvconv nvim --headless -u NONE -i NONE -c 'luafile tests/editors/nvim_test.lua'
--
-- (run by ctest; the exit status is 0 when every step holds)
local program = os.getenv('KELVCONV')
local config = os.getenv('KELV_NVIM_CONFIG')
local failures = 0
local function check(what, ok, detail)
  if ok then
    io.stdout:write('ok: ' .. what .. '\n')
  else
    failures = failures + 1
    io.stderr:write('FAILED: ' .. what .. (detail and (': ' .. vim.inspect(detail)) or '') .. '\n')
  end
end
local function finish()
  io.stdout:write(string.format('%d passed, %d failed\n', 6 - failures, failures))
  vim.cmd(failures == 0 and 'qall!' or 'cquit 1')
end

local ok, err = pcall(function()
  local folder = vim.fn.tempname()
  vim.fn.mkdir(folder, 'p')
  local source = folder .. '/item_list.txt'
  -- 薬草 and 説明 in Shift-JIS; the last data line has a value too many, after Japanese text;
  -- the line after it is a tag with a blank after it.
  local f = assert(io.open(source, 'wb'))
  f:write('<item_number>\r\n2\r\n</item_number>\r\n<item_data>\r\n',
          '0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 herb Heals.\r\n',
          '0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 \150\242\145\144 \144\224\150\190 \151\93\130\232\r\n',
          '</item_data> \r\n')
  f:close()

  dofile(config).setup({ cmd = { program, '--lsp' } })
  vim.cmd('edit ' .. vim.fn.fnameescape(source))
  local buf = vim.api.nvim_get_current_buf()
  check('the source is read as Shift-JIS', vim.bo.fileencoding == 'cp932', vim.bo.fileencoding)

  -- The findings, at the lines and columns of the buffer (bytes of its UTF-8 lines).
  local found = {}
  vim.wait(5000, function()
    found = vim.diagnostic.get(buf)
    return #found >= 2
  end, 50)
  local where = {}
  for _, d in ipairs(found) do where[d.code] = { d.lnum, d.col } end
  check('the value too many is found after the Japanese text',
        where['extra-values'] and where['extra-values'][1] == 5 and where['extra-values'][2] == 52, found)
  check('the tag with a blank is found', where['unknown-tag'] and where['unknown-tag'][1] == 6, found)

  local hover = vim.lsp.buf_request_sync(buf, 'textDocument/hover',
    { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = 3, character = 2 } }, 5000)
  local text = ''
  for _, answer in pairs(hover or {}) do
    if answer.result then text = answer.result.contents.value end
  end
  check('a hover on a tag tells its section', text:find('one record per line', 1, true) ~= nil, hover)

  local completion = vim.lsp.buf_request_sync(buf, 'textDocument/completion',
    { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = 6, character = 0 } }, 5000)
  local first = nil
  for _, answer in pairs(completion or {}) do
    if answer.result then first = answer.result.items[1].label end
  end
  check('the closing tag of the open section comes first', first == '</item_data>', completion)

  -- Saving converts the kind.
  local output = folder .. '/item_list.dat'
  vim.cmd('write')
  local written = vim.wait(5000, function() return vim.fn.filereadable(output) == 1 end, 50)
  check('saving writes the data file', written, output)
end)
if not ok then check('the test ran to its end', false, err) end
for _, client in pairs(vim.lsp.get_active_clients()) do client.stop() end
finish()
