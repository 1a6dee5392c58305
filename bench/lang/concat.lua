local self, global = {}, {}
local n = 0
for k = 0, 2999 do
  self.t = ""
  for r = 1, 60 do self.t = self.t .. "ab" end
  self.t = self.t .. "c"
  global.gs = self.t
  n = n + #global.gs
end
print(string.format("%.0f", n))
