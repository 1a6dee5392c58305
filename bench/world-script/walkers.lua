-- The walkers room of game.json as plain Lua: 10,000 records stepped N
-- times (N from the command line), each record moving by its own speed and
-- turning at the room's edges; prints the census line the game prints at
-- its end.
local steps = tonumber(arg[1]) or 1000
local W, H = 640, 480
local walkers = {}
for i = 0, 9999 do
  walkers[#walkers + 1] = { x = (i * 37) % 640, y = (i * 91) % 480, vx = (i % 7) - 3, vy = (i % 5) - 2 }
end
for _ = 1, steps do
  for k = 1, #walkers do
    local m = walkers[k]
    m.x = m.x + m.vx
    m.y = m.y + m.vy
    if m.x < 0 or m.x > W then m.vx = -m.vx end
    if m.y < 0 or m.y > H then m.vy = -m.vy end
  end
end
local s = 0
for k = 1, #walkers do s = s + walkers[k].x + walkers[k].y end
print(string.format("%d movers, sum %d", #walkers, s))
