-- The language server in a real editor: headless Neovim with its built-in client, set up by
-- editors/nvim/kelvconv.lua, on a Shift-JIS item list with mistakes: the findings at the buffer's
-- lines and columns with the line they point to, hover on a value, completion of a tag, semantic
-- tokens, and saving, which writes the data file. Each step waits a few seconds at most for the
-- server and fails saying which step it was.
--
--   KELVCONV=build/gcc/kelvconv nvim --headless -u NONE -i NONE -c 'luafile tests/editors/nvim_test.lua'
--
-- (run by ctest; the exit status is 0 when every step holds)
local program = os.getenv('KELVCONV')
local config = os.getenv('KELV_NVIM_CONFIG')
local failures = 0
local checks = 0
local function check(what, ok, detail)
  checks = checks + 1
  if ok then
    io.stdout:write('ok: ' .. what .. '\n')
  else
    failures = failures + 1
    io.stderr:write('FAILED: ' .. what .. (detail and (': ' .. vim.inspect(detail)) or '') .. '\n')
  end
end
local function finish()
  io.stdout:write(string.format('%d passed, %d failed\n', checks - failures, failures))
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
  for _, d in ipairs(found) do where[d.code] = d end
  -- 余り after 薬草 説明: the editor's column counts the UTF-8 bytes of the Japanese before it.
  local extra = where['extra-values']
  check('the value too many is found after the Japanese text',
        extra and extra.lnum == 5 and extra.col == 52 and extra.end_col == 58, found)
  local tag = where['unknown-tag']
  check('the tag with a blank is found', tag and tag.lnum == 6 and tag.severity == vim.diagnostic.severity.WARN, found)
  local related = tag and tag.user_data and tag.user_data.lsp.relatedInformation
  check('it names the line where its section opened',
        related and related[1].location.range.start.line == 3 and
        related[1].location.uri == vim.uri_from_bufnr(buf), related)

  local function ask(method, params)
    params.textDocument = { uri = vim.uri_from_bufnr(buf) }
    for _, answer in pairs(vim.lsp.buf_request_sync(buf, method, params, 5000) or {}) do
      if answer.result then return answer.result end
    end
  end
  local hover = ask('textDocument/hover', { position = { line = 3, character = 2 } })
  check('a hover on a tag tells its section',
        hover and hover.contents.value:find('one record per line', 1, true) ~= nil, hover)
  hover = ask('textDocument/hover', { position = { line = 4, character = 2 } })
  check('a hover on a value tells its place and record',
        hover and hover.contents.value:find('**value 2 of 18** `value2`: a number', 1, true) ~= nil and
        hover.contents.value:find('record [0] of `<item_data>` (count at line 2)', 1, true) ~= nil, hover)

  local legend = {}
  for _, client in pairs(vim.lsp.buf_get_clients(buf)) do
    legend = client.server_capabilities.semanticTokensProvider.legend.tokenTypes
  end
  local tokens = ask('textDocument/semanticTokens/full', {})
  -- The first token: line 0, column 0, 13 long, a tag; the tag with a blank after it is none.
  check('semantic tokens colour the tags the reader takes',
        tokens and #tokens.data % 5 == 0 and tokens.data[1] == 0 and tokens.data[2] == 0 and
        tokens.data[3] == 13 and legend[tokens.data[4] + 1] == 'keyword' and
        legend[tokens.data[#tokens.data - 1] + 1] == 'notTag', { legend, tokens })

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
