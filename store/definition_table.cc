#include "store/definition_table.h"

#include "memory/arena.h"

namespace {

// Keys and entries hold pointers, so they are kept pointer-aligned.
Arena Keys(alignof(PropEntry));

void* Take(int size) { return Keys.Alloc(size_t(size)); }

}  // namespace

DefKey NewKey() {
  KeyCell* cell = static_cast<KeyCell*>(Take(sizeof(KeyCell)));
  PropEntry* terminator = static_cast<PropEntry*>(Take(sizeof(PropEntry)));
  terminator->next = nullptr;
  terminator->selector = 0;
  cell->first = terminator;
  return cell;
}

int find(DefKey key, int selector, PropEntry** result, int size) {
  if (!key) return 0;
  PropEntry** link = &key->first;
  while ((*link)->selector > selector) link = &(*link)->next;
  PropEntry* current = *link;
  *result = current;
  if (current->selector == selector) return 1;
  if (size == 0) return 0;
  PropEntry* entry = static_cast<PropEntry*>(Take(size));
  entry->next = current;
  entry->selector = selector;
  *link = entry;
  *result = entry;
  return 0;
}

int GetProperty(int selector, DefKey key, int deflt) {
  PropEntry* entry;
  if (find(key, selector, &entry, 0)) return static_cast<IntPropEntry*>(entry)->value;
  return deflt;
}

void SetProperty(int selector, DefKey key, int newValue, int existingValue) {
  if (!key) return;
  PropEntry* entry;
  bool existed = find(key, selector, &entry, sizeof(IntPropEntry));
  static_cast<IntPropEntry*>(entry)->value = existed ? existingValue : newValue;
}

void ResetDefinitions() { Keys.Release(); }
