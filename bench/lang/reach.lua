-- Arrays written through other, through an object and through an instance
-- id: the running record, 200 records of object 1, the first of them by id.
local self = { a = {} }
local crowd = {}
for n = 1, 200 do crowd[n] = { b = {}, c = {}, d = {} } end
for i = 0, 63 do self.a[i] = 0 end
for _ = 1, 20 do
  for n = 1, #crowd do
    local m = crowd[n]
    for k = 0, 63 do
      self.a[k] = self.a[k] + k
      m.b[k] = k * 2
    end
  end
end
for _ = 1, 20 do for i = 0, 63 do for n = 1, #crowd do crowd[n].c[i] = i end end end
local first = crowd[1]
for i = 0, 63 do first.d[i] = 0 end
for _ = 1, 500 do for i = 0, 63 do first.d[i] = first.d[i] + 1 end end
local s = 0
for i = 0, 63 do s = s + self.a[i] + first.d[i] + first.c[i] end
for n = 1, #crowd do for k = 0, 63 do s = s + crowd[n].b[k] end end
print(string.format("%.0f", s))
