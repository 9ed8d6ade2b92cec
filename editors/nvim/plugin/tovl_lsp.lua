-- TOVL scripts in Neovim 0.7 and later: starts tovl-lsp for every buffer of filetype tovl, so
-- that the checker's findings show as diagnostics while a script is typed, and shows the text
-- each fgoto lands on at the end of its line, as virtual text where Neovim has no inlay hints
-- of its own (before 0.10).
--
-- g:tovl_lsp_command, a list or a string, starts the server instead of "tovl-lsp" from PATH.
if vim.g.loaded_tovl_lsp then
  return
end
vim.g.loaded_tovl_lsp = true

local api = vim.api
local uv = vim.uv or vim.loop
local hint_marks = api.nvim_create_namespace('tovl_inlay_hints')
-- How long typing must pause before the hints are asked for again, in milliseconds.
local hint_pause = 200

vim.cmd('highlight default link LspInlayHint Comment')

local function label_text(label)
  if type(label) == 'string' then
    return label
  end
  local parts = {}
  for _, part in ipairs(label) do
    table.insert(parts, part.value)
  end
  return table.concat(parts)
end

-- Replaces the buffer's hints by `hints`, all those of one line joined at its end.
local function show_hints(bufnr, hints)
  api.nvim_buf_clear_namespace(bufnr, hint_marks, 0, -1)
  local by_line = {}
  for _, hint in ipairs(hints or {}) do
    local line = hint.position.line
    local text = label_text(hint.label)
    by_line[line] = by_line[line] and (by_line[line] .. ' ' .. text) or text
  end
  local count = api.nvim_buf_line_count(bufnr)
  for line, text in pairs(by_line) do
    if line < count then
      api.nvim_buf_set_extmark(bufnr, hint_marks, line, 0, {
        virt_text = { { text, 'LspInlayHint' } },
        virt_text_pos = 'eol',
      })
    end
  end
end

-- Calls the client's function `name`: Neovim 0.11 made them methods, before they were not.
local function client_call(client, name, ...)
  if vim.fn.has('nvim-0.11') == 1 then
    return client[name](client, ...)
  end
  return client[name](...)
end

-- Asks for the hints of the whole buffer; an answer to an older text is dropped, since the
-- change that made it older asks again.
local function request_hints(client, bufnr)
  if client_call(client, 'is_stopped') or not api.nvim_buf_is_loaded(bufnr) then
    return
  end
  local tick = api.nvim_buf_get_changedtick(bufnr)
  local params = {
    textDocument = { uri = vim.uri_from_bufnr(bufnr) },
    range = {
      start = { line = 0, character = 0 },
      ['end'] = { line = api.nvim_buf_line_count(bufnr), character = 0 },
    },
  }
  client_call(client, 'request', 'textDocument/inlayHint', params, function(err, result)
    if err or not api.nvim_buf_is_loaded(bufnr) then
      return
    end
    if api.nvim_buf_get_changedtick(bufnr) == tick then
      show_hints(bufnr, result)
    end
  end, bufnr)
end

-- A timer for each buffer, which waits for a pause in typing.
local hint_timers = {}

local function show_hints_as_virtual_text(client, bufnr)
  hint_timers[bufnr] = hint_timers[bufnr] or uv.new_timer()
  local timer = hint_timers[bufnr]
  local function soon()
    timer:stop()
    timer:start(hint_pause, 0, vim.schedule_wrap(function()
      request_hints(client, bufnr)
    end))
  end
  local group = api.nvim_create_augroup('tovl_inlay_hints_' .. bufnr, { clear = true })
  api.nvim_create_autocmd({ 'TextChanged', 'TextChangedI', 'BufEnter' }, {
    group = group,
    buffer = bufnr,
    callback = soon,
  })
  api.nvim_create_autocmd('BufWipeout', {
    group = group,
    buffer = bufnr,
    callback = function()
      timer:stop()
      timer:close()
      hint_timers[bufnr] = nil
    end,
  })
  request_hints(client, bufnr)
end

local function on_attach(client, bufnr)
  vim.bo[bufnr].omnifunc = 'v:lua.vim.lsp.omnifunc'
  for keys, action in pairs({ K = vim.lsp.buf.hover, gd = vim.lsp.buf.definition }) do
    if vim.fn.maparg(keys, 'n') == '' then
      vim.keymap.set('n', keys, action, { buffer = bufnr })
    end
  end
  local built_in = vim.lsp.inlay_hint
  local shown = type(built_in) == 'table' and built_in.enable
    and pcall(built_in.enable, true, { bufnr = bufnr })
  if not shown then
    show_hints_as_virtual_text(client, bufnr)
  end
end

local function server_command()
  local command = vim.g.tovl_lsp_command or 'tovl-lsp'
  return type(command) == 'string' and { command } or command
end

-- One server serves every script of the session.
local client_id = nil

local function attach(bufnr)
  local config = {
    name = 'tovl',
    cmd = server_command(),
    root_dir = vim.fn.getcwd(),
    on_attach = on_attach,
  }
  if vim.lsp.start then
    vim.lsp.start(config, {
      bufnr = bufnr,
      reuse_client = function(client, wanted)
        return client.name == wanted.name
      end,
    })
    return
  end
  if not (client_id and vim.lsp.get_client_by_id(client_id)) then
    client_id = vim.lsp.start_client(config)
  end
  if client_id then
    vim.lsp.buf_attach_client(bufnr, client_id)
  end
end

api.nvim_create_autocmd('FileType', {
  group = api.nvim_create_augroup('tovl_lsp', { clear = true }),
  pattern = 'tovl',
  callback = function(event)
    attach(event.buf)
  end,
})
