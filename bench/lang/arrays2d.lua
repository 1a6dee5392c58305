local b = {}
for i = 0, 299 do
  local row = {}
  b[i] = row
  for j = 0, 299 do row[j] = i + j end
end
local s = 0
for r = 1, 20 do
  for i = 0, 299 do
    for j = 0, 299 do s = s + b[i][j] end
  end
end
print(string.format("%.0f", s))
