// The names the project's function bodies use as struct or union members:
// every name written after "->" or "." in a read, write or call entry
// (msg->link, &dev->entry, s.f).
//
// FILE ALS collects them while it writes the records and leaves them in
// MemberNames.txt (one name per line, sorted); FUNC ALS3 reads them to tell
// a member designator passed to a macro (list_for_each_entry(pos, head,
// link)) from a variable.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace kv {

class MemberNames {
 public:
  // The member names of one entry; literals, numbers (1.5f) and the
  // entry's base are none.
  void NoteEntry(std::string_view entry);
  bool Contains(std::string_view name) const { return names_.count(std::string(name)) != 0; }
  size_t size() const { return names_.size(); }

  // MemberNames.txt in the work folder.
  bool Write() const;
  // A missing or unreadable list knows no member names.
  void Load();

 private:
  std::unordered_set<std::string> names_;
};

}  // namespace kv
