-- kelvconv's language server in Neovim's built-in client (Neovim 0.7 and later).
--
-- Put this file on the runtimepath as lua/kelvconv.lua (or anywhere, and dofile it) and call
--   require('kelvconv').setup()                       -- kelvconv from the PATH
--   require('kelvconv').setup({ cmd = { '/path/to/kelvconv', '--lsp' },
--                               convert_on_save = false, inlay_hints = true })
-- Sources are Shift-JIS: the setup reads the source names in code page 932 (fileencodings).
local M = {}

-- Whether `name` is a file kelvconv reads, by the patterns the program itself gives
-- (kelvconv --explain --json): exact names, and prefixes of .txt files.
local function source_test(program)
  local ok, formats = pcall(vim.fn.json_decode, vim.fn.system({ program, '--explain', '--json' }))
  local exact, prefixes = {}, {}
  if ok and type(formats) == 'table' then
    for _, kind in ipairs(formats.kinds) do
      if kind.match == 'name' then exact[kind.source] = true else table.insert(prefixes, kind.source) end
    end
    exact[formats.names_file.name] = true
  end
  return function(name)
    if exact[name] then return true end
    for _, prefix in ipairs(prefixes) do
      if name:sub(1, #prefix) == prefix and name:match('%.txt$') then return true end
    end
    return false
  end
end

function M.setup(options)
  options = options or {}
  local cmd = options.cmd or { 'kelvconv', '--lsp' }
  local is_source = source_test(cmd[1])
  local client_id = nil
  local function start()
    if client_id == nil then
      client_id = vim.lsp.start_client({
        name = 'kelvconv',
        cmd = cmd,
        root_dir = vim.fn.getcwd(),
        init_options = {
          convertOnSave = options.convert_on_save ~= false,
          inlayHints = options.inlay_hints ~= false,
        },
        on_exit = function() client_id = nil end,
      })
    end
    return client_id
  end
  local group = vim.api.nvim_create_augroup('kelvconv', { clear = true })
  -- Read the sources as Shift-JIS, then attach them to the server.
  vim.api.nvim_create_autocmd('BufReadPre', {
    group = group,
    callback = function(args)
      if is_source(vim.fn.fnamemodify(args.file, ':t')) then
        vim.opt_local.fileencodings = 'cp932,utf-8'
      end
    end,
  })
  vim.api.nvim_create_autocmd({ 'BufReadPost', 'BufNewFile' }, {
    group = group,
    callback = function(args)
      if is_source(vim.fn.fnamemodify(args.file, ':t')) then
        vim.bo[args.buf].filetype = 'kelvconv'
        local id = start()
        if id then vim.lsp.buf_attach_client(args.buf, id) end
      end
    end,
  })
  -- :KelvconvConvertFolder converts every source of the current file's folder.
  vim.api.nvim_create_user_command('KelvconvConvertFolder', function()
    if client_id == nil then return end
    local folder = vim.uri_from_fname(vim.fn.expand('%:p:h'))
    vim.lsp.get_client_by_id(client_id).request('workspace/executeCommand',
      { command = 'kelvconv.server.convertFolder', arguments = { folder } })
  end, {})
  M.client = function() return client_id end
end

return M
