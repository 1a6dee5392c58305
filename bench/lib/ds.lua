-- The Lua twins of the workloads in ds.qs: the same operations on Lua
-- tables written as a Lua programmer would (arrays for lists, a hash table
-- for maps, a flat array for grids). Prints one line per workload: its
-- name and the best of several runs in seconds.
local workloads = {}

function workloads.list()
  local n = 100000
  local l = {}
  for i = 0, n - 1 do l[#l + 1] = i end
  local s = 0
  for i = 0, n - 1 do s = s + (l[i + 1] or 0) end
  for i = 0, n - 1 do l[i + 1] = i * 2 end
  for i = 0, 99 do table.insert(l, 1, i) end
  for i = 0, 99 do table.remove(l, 1) end
  local found = -1
  for i = 1, #l do if l[i] == 2 * (n - 1) then found = i - 1 break end end
  s = s + found + #l
  return s
end

function workloads.map()
  local n = 2000
  local m, size = {}, 0
  for i = 0, n - 1 do m["k" .. i] = i; size = size + 1 end
  local s = 0
  for r = 0, 19 do
    for i = 0, n - 1 do s = s + (m["k" .. i] or 0) end
    for i = 0, n - 1 do s = s + (m["k" .. (i + n)] ~= nil and 1 or 0) end
  end
  for i = 0, n - 1 do local k = "k" .. i if m[k] ~= nil then m[k] = -i end end
  for i = 0, n - 1, 2 do local k = "k" .. i if m[k] ~= nil then m[k] = nil; size = size - 1 end end
  return s + size
end

function workloads.map_numbers()
  local n = 2000
  local m, size = {}, 0
  for i = 0, n - 1 do m[(i * 7919) % n] = i; size = size + 1 end
  local s = 0
  for r = 0, 199 do
    for i = 0, n - 1 do s = s + (m[i] or 0) end
  end
  for i = 0, n - 1, 2 do if m[i] ~= nil then m[i] = nil; size = size - 1 end end
  return s + size
end

function workloads.grid()
  local w, h = 200, 200
  local g = {}
  for i = 1, w * h do g[i] = 0 end
  local function idx(x, y) return x * h + y + 1 end
  for x = 0, w - 1 do for y = 0, h - 1 do g[idx(x, y)] = x + y end end
  local s = 0
  for x = 0, w - 1 do for y = 0, h - 1 do s = s + g[idx(x, y)] end end
  local function region(x1, y1, x2, y2, f)
    x1 = math.max(x1, 0); y1 = math.max(y1, 0)
    x2 = math.min(x2, w - 1); y2 = math.min(y2, h - 1)
    for x = x1, x2 do for y = y1, y2 do f(idx(x, y)) end end
  end
  local function disk(xm, ym, r, f)
    local x1, x2 = math.max(math.floor(xm - r), 0), math.min(math.ceil(xm + r), w - 1)
    local y1, y2 = math.max(math.floor(ym - r), 0), math.min(math.ceil(ym + r), h - 1)
    for x = x1, x2 do for y = y1, y2 do
      if (x - xm) ^ 2 + (y - ym) ^ 2 <= r * r then f(idx(x, y)) end
    end end
  end
  for r = 0, 19 do
    region(10, 10, w - 10, h - 10, function(i) g[i] = g[i] + 1 end)
    region(0, 0, w // 2, h // 2, function(i) g[i] = g[i] * 0.5 end)
    local sum = 0
    region(0, 0, w - 1, h - 1, function(i) sum = sum + g[i] end)
    local max = -100000000
    region(5, 5, w - 5, h - 5, function(i) if g[i] >= max then max = g[i] end end)
    disk(w / 2, h / 2, 50, function(i) g[i] = g[i] + 2 end)
    local dsum, count = 0, 0
    disk(w / 2, h / 2, 40, function(i) dsum = dsum + g[i]; count = count + 1 end)
    s = s + sum + max + dsum / count
  end
  return s
end

local order = {"list", "map", "map_numbers", "grid"}
local only = arg[1]
for _, name in ipairs(order) do
  if not only or only == name then
    local best = math.huge
    local result
    for _ = 1, 5 do
      local t0 = os.clock()
      result = workloads[name]()
      best = math.min(best, os.clock() - t0)
    end
    print(string.format("%s %.6f %s", name, best, tostring(result)))
  end
end
