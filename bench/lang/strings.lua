local total = 0
for k = 0, 9999 do
  local s = ""
  for i = 0, 39 do
    local piece
    if i % 3 == 0 then piece = "ab" else piece = string.rep("c", 2) end
    s = s .. piece
  end
  s = s .. "needle"
  total = total + #s + (string.find(s, "needle", 1, true) or 0) + (string.find(s, "zz", 1, true) or 0)
  if s == "abccab" then total = total + 1000 end
end
print(string.format("%.0f", total))
