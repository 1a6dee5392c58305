local self = { a = {} }
for r = 1, 20 do
  for i = 0, 31999 do self.a[i] = i end
end
for r = 1, 10 do
  for i = 0, 31999 do self.a[i] = self.a[i] + 1 end
end
local s = 0
for i = 0, 31999 do s = s + self.a[i] end
print(string.format("%.0f", s))
