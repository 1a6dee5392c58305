-- 1000 records of object 1 beside the running one, walked by `with`.
local self = { cnt = 0 }
local crowd = {}
for i = 0, 999 do crowd[#crowd + 1] = { x = (i * 37) % 640, y = (i * 91) % 480 } end
for r = 1, 200 do
  for k = 1, #crowd do
    local m = crowd[k]
    m.x = m.x + 1
    m.v = m.x * 2
    self.cnt = self.cnt + 1
  end
  for k = 1, #crowd do crowd[k].hp = 5 end
  crowd[1].hp = crowd[1].hp + 1
end
local s = 0
for k = 1, #crowd do local m = crowd[k]; s = s + m.x + m.v + m.hp end
print(string.format("%.0f", s + self.cnt))
