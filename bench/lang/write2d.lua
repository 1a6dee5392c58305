local self = { b = {} }
for r = 1, 10 do
  for i = 0, 299 do
    local row = self.b[i] or {}
    self.b[i] = row
    for j = 0, 299 do self.b[i][j] = i - j end
  end
end
for r = 1, 5 do
  for i = 0, 299 do
    for j = 0, 299 do self.b[i][j] = self.b[i][j] + 1 end
  end
end
local s = 0
for i = 0, 299 do
  for j = 0, 299 do s = s + self.b[i][j] end
end
print(string.format("%.0f", s))
