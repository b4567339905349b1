#pragma once
// Whether a group's write permission lets another user in: a group is the
// user's private group only when nobody else belongs to it, neither listed
// as a member nor through a primary group (several users' shared primary
// group, such as "users", lists none of them).
#include <sys/types.h>

#include <string>
#include <vector>

namespace velmo {

// One account as the rule reads it.
struct TAccount {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;  // the primary group
};

// The rule itself. me: the user (gid: the effective group); listed: the
// group's member list; users: every account. The group must be me's own
// primary group, list nobody else, and be no other account's primary group.
bool GroupIsPrivate(gid_t gid, const TAccount& me, const std::vector<std::string>& listed,
                    const std::vector<TAccount>& users);

// The rule over the system's databases (group and passwd entries through
// NSS): reads the whole user list, so it may block on a network directory;
// called from one thread at a time (getpwent keeps its place in the list).
bool IsPrivateGroup(gid_t gid);

}  // namespace velmo
