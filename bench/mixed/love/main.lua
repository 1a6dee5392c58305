-- The same frames as bench/mixed/game.json: a scrolling tiled backdrop,
-- 1,200 tiles, 12 lines of text, rectangles, circles and lines, seen through
-- two views side by side. Usage: love bench/mixed/love FRAMES
local frames, frame = 100, 0
local backdrop, tiles, quads
local views = { { x = 0, y = 0, px = 0 }, { x = 640, y = 240, px = 320 } }
local bgx = 0

function love.load(args)
  frames = tonumber(args[1]) or 100
  backdrop = love.graphics.newImage("backdrop.png")
  tiles = love.graphics.newImage("tiles.png")
  backdrop:setFilter("nearest", "nearest")
  tiles:setFilter("nearest", "nearest")
  quads = {}
  for k = 0, 3 do quads[k] = love.graphics.newQuad(k * 32, 0, 32, 32, 128, 32) end
end

function love.update()
  views[1].x = (views[1].x + 2) % 960
  views[2].y = (views[2].y + 1) % 480
  bgx = bgx + 1
end

local function drawView(v)
  love.graphics.push()
  love.graphics.setScissor(v.px, 0, 320, 480)
  love.graphics.translate(v.px - v.x, -v.y)
  love.graphics.setColor(1, 1, 1)
  -- The backdrop, tiled over the view.
  local sx = v.x - ((v.x - bgx) % 64)
  for x = sx, v.x + 320, 64 do
    for y = v.y - (v.y % 64), v.y + 480, 64 do love.graphics.draw(backdrop, x, y) end
  end
  -- The tiles inside the view.
  for j = math.max(0, math.floor(v.y / 32)), math.min(29, math.floor((v.y + 480) / 32)) do
    for i = math.max(0, math.floor(v.x / 32)), math.min(39, math.floor((v.x + 320) / 32)) do
      love.graphics.draw(tiles, quads[(i + j) % 4], i * 32, j * 32)
    end
  end
  local bx, by = v.x, v.y
  for i = 0, 29 do
    love.graphics.setColor((40 + i * 7) / 255, (200 - i * 5) / 255, 120 / 255)
    love.graphics.rectangle("fill", bx + 10 + i * 10, by + 20 + (i % 6) * 40, 21, 31)
    love.graphics.rectangle("line", bx + 12 + i * 10, by + 300, 28, 30)
    love.graphics.circle((i % 2) == 0 and "line" or "fill", bx + 20 + i * 10, by + 380 + (i % 3) * 20, 8 + (i % 4) * 3)
    love.graphics.line(bx + i * 10, by + 440, bx + 320 - i * 10, by + 470)
    love.graphics.line(bx, by + i * 16, bx + 320, by + 480 - i * 16)
  end
  love.graphics.setColor(1, 1, 1)
  for i = 0, 11 do love.graphics.print("Line " .. i .. ": the quick brown fox jumps", bx + 8, by + 8 + i * 20) end
  love.graphics.setScissor()
  love.graphics.pop()
end

function love.draw()
  love.graphics.clear(0x20 / 255, 0x18 / 255, 0x10 / 255)
  drawView(views[1])
  drawView(views[2])
  frame = frame + 1
  if frame >= frames then love.event.quit() end
end
