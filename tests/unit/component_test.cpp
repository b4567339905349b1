#include "components/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmo {
namespace {

std::vector<std::string> destroyed;

class Probe : public Component {
 public:
  Probe(Component* owner, std::string name) : Component(owner) { SetName(std::move(name)); }
  ~Probe() override { destroyed.push_back(Name()); }
};

// C++ runs the owner's own destructor body first; its children follow,
// newest first, before the owner's storage goes.
TEST(ComponentTree, ChildrenDieWithTheOwnerInReverseOrderOfCreation) {
  destroyed.clear();
  {
    Probe root(nullptr, "root");
    new Probe(&root, "first");
    auto* second = new Probe(&root, "second");
    new Probe(second, "grandchild");
    new Probe(&root, "third");
  }
  EXPECT_EQ(destroyed, (std::vector<std::string>{"root", "third", "second", "grandchild", "first"}));
}

TEST(ComponentTree, FreeChildDestroysOnceAndTheOwnerForgetsIt) {
  destroyed.clear();
  {
    Probe root(nullptr, "root");
    auto* a = new Probe(&root, "a");
    new Probe(&root, "b");
    root.FreeChild(a);
    EXPECT_EQ(destroyed, std::vector<std::string>{"a"});
    root.FreeChild(a);  // a second free of the same pointer is ignored
    EXPECT_EQ(destroyed.size(), 1u);
  }
  EXPECT_EQ(destroyed, (std::vector<std::string>{"a", "root", "b"}));
}

TEST(ComponentTree, ChildDeletedDirectlyLeavesTheOwner) {
  destroyed.clear();
  {
    Probe root(nullptr, "root");
    auto* a = new Probe(&root, "a");
    delete a;
  }
  EXPECT_EQ(destroyed, (std::vector<std::string>{"a", "root"}));
}

}  // namespace
}  // namespace velmo
