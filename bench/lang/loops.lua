local s = 0
for i = 0, 1499 do
  for j = 0, 1499 do
    s = s + (i * j) % 7
  end
end
print(string.format("%.0f", s))
