-- Start-up to the first presented frame: loads two pictures, draws a tiled
-- backdrop, a sprite and a line of text once, and quits as soon as that
-- frame has been presented.
local grass, smile

function love.load()
  grass = love.graphics.newImage("grass.png")
  smile = love.graphics.newImage("smile.png")
end

function love.draw()
  for x = 0, 640, grass:getWidth() do
    for y = 0, 480, grass:getHeight() do love.graphics.draw(grass, x, y) end
  end
  love.graphics.draw(smile, 100, 100)
  love.graphics.print("Hello from LOVE", 10, 10)
  -- love.run presents the frame after this, then handles the quit.
  love.event.quit()
end
