-- The instance's position, motion and image as fields of one record;
-- speed and direction keep hspeed and vspeed consistent as the runner does.
local self = { x = 0, y = 0, speed = 0, direction = 0, hspeed = 0, vspeed = 0, image_index = 0 }
local function motion(m)
  local r = math.rad(m.direction)
  m.hspeed = m.speed * math.cos(r)
  m.vspeed = -m.speed * math.sin(r)
end
local s = 0
for k = 0, 199999 do
  self.x = k % 640
  self.x = self.x + 1
  self.y = k % 480
  self.speed = k % 10
  motion(self)
  self.direction = k % 360
  motion(self)
  self.image_index = k % 4
  s = s + self.image_index
end
print(string.format("%.0f", s + self.x + self.y + self.speed + self.direction))
