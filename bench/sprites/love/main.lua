-- N moving, alpha-blended 16x16 sprites from one texture, the same motion
-- and wrap-around as bench/sprites/game.json, for FRAMES frames; MODE is
-- "batch" (one SpriteBatch rebuilt every frame) or "plain" (one
-- love.graphics.draw per sprite). Usage: love bench/sprites/love N FRAMES MODE
local n, frames, mode
local image, batch
local xs, ys, hs, vs = {}, {}, {}, {}
local frame = 0

function love.load(args)
  n = tonumber(args[1]) or 1000
  frames = tonumber(args[2]) or 100
  mode = args[3] or "batch"
  image = love.graphics.newImage("dot.png")
  image:setFilter("nearest", "nearest")
  if mode == "batch" then batch = love.graphics.newSpriteBatch(image, n, "stream") end
  love.math.setRandomSeed(1)
  for i = 1, n do
    xs[i] = love.math.random() * 640
    ys[i] = love.math.random() * 480
    hs[i] = love.math.random() * 4 - 2
    vs[i] = love.math.random() * 4 - 2
  end
end

function love.update()
  for i = 1, n do
    local x, y = xs[i] + hs[i], ys[i] + vs[i]
    if x < 0 then x = x + 640 elseif x >= 640 then x = x - 640 end
    if y < 0 then y = y + 480 elseif y >= 480 then y = y - 480 end
    xs[i], ys[i] = x, y
  end
end

function love.draw()
  love.graphics.clear(0x40 / 255, 0x30 / 255, 0x20 / 255)
  if batch then
    batch:clear()
    for i = 1, n do batch:add(math.floor(xs[i]) - 8, math.floor(ys[i]) - 8) end
    love.graphics.draw(batch)
  else
    for i = 1, n do love.graphics.draw(image, math.floor(xs[i]) - 8, math.floor(ys[i]) - 8) end
  end
  frame = frame + 1
  if frame >= frames then love.event.quit() end
end
