-- Neovim's own client starts qel2json-lsp on a description with two
-- errors and must receive both at the right places; writes one line per
-- diagnostic, "line:column SEVERITY message" (column: the byte, from 1,
-- as Neovim places it).
--   nvim --headless -u NONE -i NONE -n --cmd "let g:args = [SERVER, FILE, OUT]" -c "luafile nvim_lsp.lua"
local server, file, out = unpack(vim.g.args)
vim.cmd('edit ' .. vim.fn.fnameescape(file))
local buf = vim.api.nvim_get_current_buf()
-- As docs/editors.md sets it up; Neovim before 0.8 has no vim.lsp.start.
local config = { name = 'qel2json', cmd = { server }, root_dir = vim.fn.getcwd() }
if vim.lsp.start then
  vim.lsp.start(config)
else
  vim.lsp.buf_attach_client(buf, vim.lsp.start_client(config))
end
vim.wait(20000, function() return #vim.diagnostic.get(buf) >= 2 end, 20)
local lines = {}
for _, d in ipairs(vim.diagnostic.get(buf)) do
  table.insert(lines, string.format('%d:%d %s %s', d.lnum + 1, d.col + 1, vim.diagnostic.severity[d.severity], d.message))
end
table.sort(lines)
vim.fn.writefile(lines, out)
vim.cmd('qall!')
