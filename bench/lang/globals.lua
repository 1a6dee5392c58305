local global = { g = {}, h = {} }
for r = 1, 20 do
  for i = 0, 31999 do global.g[i] = i * 2 end
end
for r = 1, 5 do
  for i = 0, 199 do
    global.h[i] = global.h[i] or {}
    for j = 0, 199 do global.h[i][j] = i + j end
  end
end
local s = 0
for r = 1, 5 do
  for i = 0, 31999 do s = s + global.g[i] end
  for i = 0, 199 do
    for j = 0, 199 do s = s + global.h[i][j] end
  end
end
print(string.format("%.0f", s))
