local s = 0
for i = 0, 999 do
  for j = 0, 999 do
    s = s + (i * j) % 7
  end
end
print(string.format("%.0f", s))
