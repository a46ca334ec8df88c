// The definition table: keys that carry typed properties.  Each key owns a
// list of property entries ordered by strictly decreasing selector and ended
// by a terminator entry of selector 0.
#pragma once

struct PropEntry {
  PropEntry* next;  // the next entry of the same key
  int selector;     // the property's number; 0 marks the terminator
};

// An entry of an int-valued property: the value follows the common fields.
struct IntPropEntry : PropEntry {
  int value;
};

struct KeyCell {
  PropEntry* first;
};

// A key; null stands for no entity and is accepted by every operation.
using DefKey = KeyCell*;

// Property selectors.
enum Property : int {
  ClpValue = 1,  // StringIndex of a command-line value
};

DefKey NewKey();

// Looks up the entry of selector in key's list and stores it in *result.
// With size 0 it only looks (result then points to the entry before which
// the property would go); otherwise a missing entry of size bytes is
// inserted in order, its value left to the caller.  Returns 1 if the entry
// existed, else 0; a null key returns 0 and leaves *result unset.
int find(DefKey key, int selector, PropEntry** result, int size);

// The int value of a property, or deflt when the key is null or lacks it.
int GetProperty(int selector, DefKey key, int deflt);

// Gives a new property newValue, an existing one existingValue; a null key
// changes nothing.
void SetProperty(int selector, DefKey key, int newValue, int existingValue);

// Releases every key and entry (a new run starts without keys).
void ResetDefinitions();
