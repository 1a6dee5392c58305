// The framing shared by the resource sections of the game data: a count, then
// one compressed item stream per resource holding an exists flag and, when
// it is set, the resource's name and record. Item i is the resource with
// index i; an item whose flag is false is an empty slot with an empty name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Support_Stream.h"

template <class T>
struct RResourceList {
  std::vector<std::unique_ptr<T>> items;  // an entry may be null (empty slot)
  std::vector<std::string> names;         // parallel to items

  void Clear() { items.clear(); names.clear(); }
  int Count() const { return static_cast<int>(items.size()); }
  bool Exists(int index) const { return index >= 0 && index < Count() && items[static_cast<size_t>(index)]; }
  T *Get(int index) const { return Exists(index) ? items[static_cast<size_t>(index)].get() : nullptr; }
  const std::string &Name(int index) const {
    static const std::string undefined = "<undefined>";
    return Exists(index) ? names[static_cast<size_t>(index)] : undefined;
  }
  // Appends an entry; answers its index.
  int Append(std::unique_ptr<T> item, std::string name) {
    items.push_back(std::move(item));
    names.push_back(std::move(name));
    return Count() - 1;
  }
  // Frees the resource; the entry stays, empty and without a name, so the
  // indices after it do not move.
  void Delete(int index) {
    if (!Exists(index)) return;
    items[static_cast<size_t>(index)].reset();
    names[static_cast<size_t>(index)].clear();
  }
  // Takes back the last entry (an addition that failed).
  void DropLast() {
    if (items.empty()) return;
    items.pop_back();
    names.pop_back();
  }
  // The first existing resource with exactly this name, or -1.
  int Find(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
      if (items[static_cast<size_t>(i)] && names[static_cast<size_t>(i)] == name) return i;
    return -1;
  }
};

// Reads count and the item streams (the section version has been read by the
// caller). T has bool LoadFromStream(CStream&). Answers false when a record
// fails; stream errors rise to the caller.
template <class T>
bool LoadNamedItems(CStream &stream, RResourceList<T> &list) {
  list.Clear();
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<CStream> item = stream.ReadStreamC();
    if (!item->ReadBoolean()) {
      list.items.emplace_back();
      list.names.emplace_back();
      continue;
    }
    std::string name = item->ReadString();
    auto res = std::make_unique<T>();
    if (!res->LoadFromStream(*item)) return false;
    list.items.push_back(std::move(res));
    list.names.push_back(std::move(name));
  }
  return true;
}

// Writes count and the item streams. T has void SaveToStream(CStream&) const.
template <class T>
void SaveNamedItems(CStream &stream, const RResourceList<T> &list) {
  stream.WriteInteger(list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    CStream item;
    const T *res = list.items[static_cast<size_t>(i)].get();
    item.WriteBoolean(res != nullptr);
    if (res) {
      item.WriteString(list.names[static_cast<size_t>(i)]);
      res->SaveToStream(item);
    }
    stream.WriteStreamC(item);
  }
}

// The trigger section's framing: like the named item streams, but an existing
// item holds its record directly after the flag, without a name.
template <class T>
bool LoadUnnamedItems(CStream &stream, RResourceList<T> &list) {
  list.Clear();
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<CStream> item = stream.ReadStreamC();
    list.names.emplace_back();
    if (!item->ReadBoolean()) {
      list.items.emplace_back();
      continue;
    }
    auto res = std::make_unique<T>();
    if (!res->LoadFromStream(*item)) return false;
    list.items.push_back(std::move(res));
  }
  return true;
}

template <class T>
void SaveUnnamedItems(CStream &stream, const RResourceList<T> &list) {
  stream.WriteInteger(list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    CStream item;
    const T *res = list.items[static_cast<size_t>(i)].get();
    item.WriteBoolean(res != nullptr);
    if (res) res->SaveToStream(item);
    stream.WriteStreamC(item);
  }
}
