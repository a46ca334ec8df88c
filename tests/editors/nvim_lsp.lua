-- Neovim's own client, set up by the snippet of docs/editors.md (its block
-- "lua nvim-lsp"), opens two descriptions in different folders of one
-- project: one server must serve both, and each must receive its
-- diagnostics at the right places.  Writes "clients: N", then one line per
-- diagnostic, "FILE line:column SEVERITY message" (column: the byte, from
-- 1, as Neovim places it).
--   nvim --headless -u NONE -i NONE -n --cmd "let g:args = [GUIDE, FILE, FILE, OUT]" -c "luafile nvim_lsp.lua"
-- with qel2json-lsp on PATH.
local guide, first, second, out = unpack(vim.g.args)
local text = table.concat(vim.fn.readfile(guide), '\n')
local snippet = text:match('\n```lua nvim%-lsp\n(.-)\n```')
assert(snippet, guide .. ' has no block "lua nvim-lsp"')
assert(loadstring(snippet))()

local files = { first, second }
local buffers = {}
for _, file in ipairs(files) do
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  vim.cmd('setfiletype qel')
  table.insert(buffers, vim.api.nvim_get_current_buf())
end
vim.wait(20000, function()
  for _, buf in ipairs(buffers) do
    if #vim.diagnostic.get(buf) == 0 then return false end
  end
  return true
end, 20)
local lines = {}
for i, buf in ipairs(buffers) do
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    table.insert(lines, string.format('%s %d:%d %s %s', files[i], d.lnum + 1, d.col + 1,
      vim.diagnostic.severity[d.severity], d.message))
  end
end
table.sort(lines)
table.insert(lines, 1, 'clients: ' .. #vim.lsp.get_active_clients())
vim.fn.writefile(lines, out)
vim.cmd('qall!')
