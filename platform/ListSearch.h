#pragma once
// Finding a stored name in a list the operator chooses from (a phone-book
// entry, a profile's site name): the entry equal to it, else the first
// entry that begins with it, ignoring the case of ASCII letters. A stored
// name that has been renamed by its case, or cut short, still finds its
// entry; an exact match always wins over a longer name that merely begins
// with it.
//
// Pure function; any thread.
#include <string>
#include <vector>

namespace karone {

// The index of the entry that shows `name`; -1 when none does or `name`
// is empty.
int findListEntry(const std::vector<std::string>& entries, const std::string& name);

}  // namespace karone
