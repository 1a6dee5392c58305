-- The Lua twins of the string cases in LibStrings_bench.cpp: the same
-- operation on the same text, timed per call. Prints "name nanoseconds".
local function haystack()
  local s = ""
  while #s < 1000 do s = s .. "the quick brown fox jumps over a lazy dog 0123456789, " end
  return s .. "needle"
end
local function widetext()
  local s = ""
  while #s < 1000 do s = s .. "съешь ещё этих мягких французских булок, déjà vu " end
  return s
end

local H, W = haystack(), widetext()
local sink

local cases = {
  {"string_pos", function() sink = string.find(H, "needle", 1, true) end},
  {"string_copy", function() sink = string.sub(H, 100, 149) end},
  {"string_char_at", function() sink = string.sub(H, 500, 500) end},
  {"string_replace_all", function() sink = string.gsub(H, "o", "00") end},
  {"string_count", function()
    local n, p = 0, 1
    while true do
      local i = string.find(H, "o", p, true)
      if not i then break end
      n, p = n + 1, i + 1
    end
    sink = n
  end},
  {"string_upper", function() sink = string.upper(H) end},
  {"string_repeat", function() sink = string.rep("ab", 100) end},
  {"string_insert", function() sink = string.sub(H, 1, 499) .. "XYZ" .. string.sub(H, 500) end},
  {"string_delete", function() sink = string.sub(H, 1, 499) .. string.sub(H, 510) end},
  {"string_length_wide", function() sink = utf8.len(W) end},
  {"string_of_real", function() sink = string.format("%.2f", 1234.5678) end},
  {"real_of_string", function() sink = tonumber("123.456") end},
}

local only = arg[1]
for _, case in ipairs(cases) do
  local name, f = case[1], case[2]
  if not only or only == name then
    -- Enough calls for about a fifth of a second, best of three.
    local n = 1000
    while true do
      local t0 = os.clock()
      for _ = 1, n do f() end
      if os.clock() - t0 > 0.05 then break end
      n = n * 4
    end
    local best = math.huge
    for _ = 1, 3 do
      local t0 = os.clock()
      for _ = 1, n do f() end
      best = math.min(best, (os.clock() - t0) / n)
    end
    print(string.format("%s %.1f", name, best * 1e9))
  end
end
