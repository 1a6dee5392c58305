-- A list, a map with text keys and a grid, as Lua tables: the same writes
-- and reads as ds.qs.
local l = {}
for i = 0, 19999 do l[#l + 1] = i * 3 end
local s = 0
for _ = 1, 10 do for i = 0, 19999 do s = s + l[i + 1] end end
local m = {}
for i = 0, 4999 do m["k" .. tostring(i)] = i end
for _ = 1, 4 do for i = 0, 4999 do s = s + m["k" .. tostring(i)] end end
local g = {}
for i = 0, 100 * 100 - 1 do g[i] = 0 end
for _ = 1, 5 do for i = 0, 9999 do g[(i // 100) * 100 + i % 100] = i end end
for i = 0, 9999 do s = s + g[(i // 100) * 100 + i % 100] end
print(string.format("%.0f", s))
