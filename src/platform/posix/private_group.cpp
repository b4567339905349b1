#include "platform/posix/private_group.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace velmo {

bool GroupIsPrivate(gid_t gid, const TAccount& me, const std::vector<std::string>& listed,
                    const std::vector<TAccount>& users) {
  if (gid != me.gid) return false;
  if (std::any_of(listed.begin(), listed.end(), [&](const std::string& m) { return m != me.name; })) return false;
  // An account of the same uid under another name is the same user.
  return std::none_of(users.begin(), users.end(),
                      [&](const TAccount& u) { return u.gid == gid && u.uid != me.uid; });
}

bool IsPrivateGroup(gid_t gid) {
  // Cheap refusals first: the user list is read only for the user's own group.
  if (gid != ::getegid()) return false;
  const passwd* pw = ::getpwuid(::geteuid());
  if (!pw) return false;
  const TAccount me{pw->pw_name, pw->pw_uid, ::getegid()};
  const group* g = ::getgrgid(gid);
  if (!g) return false;
  std::vector<std::string> listed;
  for (char** member = g->gr_mem; member && *member; ++member) listed.emplace_back(*member);
  std::vector<TAccount> users;
  ::setpwent();
  while (const passwd* u = ::getpwent()) {
    if (u->pw_gid == gid) users.push_back({u->pw_name, u->pw_uid, u->pw_gid});
  }
  ::endpwent();
  return GroupIsPrivate(gid, me, listed, users);
}

}  // namespace velmo
