-- The movers room of game.json as plain Lua: 10,000 records stepped N
-- times (N from the command line), each step the bounds logic, then the
-- motion; prints the same census line the game prints at its end.
local steps = tonumber(arg[1]) or 1000
local W, H = 640, 480
local movers = {}
for i = 0, 9999 do
  movers[#movers + 1] = { x = (i * 37) % 640, y = (i * 91) % 480, hspeed = (i % 7) - 3, vspeed = (i % 5) - 2 }
end
for _ = 1, steps do
  for k = 1, #movers do
    local m = movers[k]
    if m.x < 0 or m.x > W then m.hspeed = -m.hspeed end
    if m.y < 0 or m.y > H then m.vspeed = -m.vspeed end
  end
  for k = 1, #movers do
    local m = movers[k]
    m.x = m.x + m.hspeed
    m.y = m.y + m.vspeed
  end
end
local s = 0
for k = 1, #movers do s = s + movers[k].x + movers[k].y end
print(string.format("%d movers, sum %d", #movers, s))
