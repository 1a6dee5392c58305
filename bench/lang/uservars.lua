local self, global = {}, {}
self.v = 0
self.w = 0
self.u = 0
global.gv = 0
for k = 0, 299999 do
  self.v = k
  self.w = self.w + self.v
  self.u = self.u - 1
  self.t = k * 2
  global.gv = global.gv + 2
end
print(string.format("%.0f", self.w + self.u + self.t + global.gv))
