// The walks the store makes over the relations. Each is one breadth-first
// walk of IRDB::search_recursive: which tables it follows, each in its
// direction as related_iids takes it (true: from the row's first IID to its
// second), and how many levels deep.
#pragma once

struct Walk {
  int levels = -1;  // -1: no limit
  bool references = false;
  bool inheritance = false;
  bool containment = false;
  bool referencesDirection = false;
  bool inheritanceDirection = false;
  bool containmentDirection = false;

  // Every base of an interface, up through its bases' bases.
  static constexpr Walk all_bases() { return {.inheritance = true, .inheritanceDirection = true}; }
  // Every interface derived from an interface, down through its derivations.
  static constexpr Walk all_derived() { return {.inheritance = true}; }
  // The members of a container within `levels` levels of nesting (-1: all).
  static constexpr Walk members_within(int levels) {
    return {.levels = levels, .containment = true, .containmentDirection = true};
  }
  // The containers of an object, up to the repository.
  static constexpr Walk containers_upward() { return {.containment = true}; }
  // What a destroy removes besides the object: the objects that refer to
  // it, the interfaces derived from it and its members, transitively.
  static constexpr Walk deletion_set() {
    return {.references = true, .inheritance = true, .containment = true, .containmentDirection = true};
  }
};
