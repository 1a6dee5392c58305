local s = 0
for i = 0, 2999999 do
  local k = i % 8
  if k == 0 then s = s + 1
  elseif k == 1 then s = s + 3
  elseif k == 2 then s = s - 2
  elseif k == 3 then s = s + 5
  elseif k == 4 then s = s + 7
  elseif k == 5 then s = s - 1
  elseif k == 6 then s = s + 2
  else s = s + 4 end
end
print(string.format("%.0f", s))
