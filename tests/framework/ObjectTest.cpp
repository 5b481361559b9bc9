// The object registry: ids handed out lowest free first, lookups, the
// parent/child lists, copies and the full registry. The process's first
// objects are made here, so the ids are known exactly.
#include "framework/Object.h"

#include "framework/WindowProcedures.h"

#include <memory>
#include <vector>

#include "tests/framework/GuiSupport.h"

namespace {

std::vector<CObject*> Children(const CObject& parent) {
  std::vector<CObject*> forward;
  for (CObject* c = parent.GetFirstChild(); c; c = c->GetNext()) forward.push_back(c);
  // The list must read the same backwards.
  std::vector<CObject*> backward;
  for (CObject* c = parent.GetLastChild(); c; c = c->GetPrev()) backward.insert(backward.begin(), c);
  EXPECT_EQ(forward, backward);
  return forward;
}

TEST(ObjectRegistry, IdsStartAt512AndFreedIdsAreReusedLowestFirst) {
  CObject first(nullptr);
  auto second = std::make_unique<CObject>(nullptr);
  CObject third(nullptr);
  EXPECT_EQ(first.GetId(), 512u);
  EXPECT_EQ(second->GetId(), 513u);
  EXPECT_EQ(third.GetId(), 514u);

  EXPECT_EQ(CObject::Lookup(511), nullptr);
  EXPECT_EQ(CObject::Lookup(512), &first);
  EXPECT_EQ(CObject::Lookup(515), nullptr);  // the high-water mark itself

  second.reset();
  EXPECT_EQ(CObject::Lookup(513), nullptr);
  CObject again(nullptr);
  EXPECT_EQ(again.GetId(), 513u);
  CObject next(nullptr);
  EXPECT_EQ(next.GetId(), 515u);  // the mark grew only now
}

TEST(ObjectRegistry, ChildrenStayInAttachOrderAsTheyAreUnlinked) {
  CObject parent(nullptr);
  CObject first(&parent), second(&parent), third(&parent);
  EXPECT_EQ(Children(parent), (std::vector<CObject*>{&first, &second, &third}));
  EXPECT_EQ(second.GetParent(), &parent);

  second.Unlink();
  EXPECT_EQ(Children(parent), (std::vector<CObject*>{&first, &third}));
  EXPECT_EQ(second.GetParent(), nullptr);
  EXPECT_EQ(second.GetPrev(), nullptr);
  EXPECT_EQ(second.GetNext(), nullptr);

  first.Unlink();
  EXPECT_EQ(parent.GetFirstChild(), &third);
  EXPECT_EQ(parent.GetLastChild(), &third);
  third.Unlink();
  EXPECT_EQ(parent.GetFirstChild(), nullptr);
  EXPECT_EQ(parent.GetLastChild(), nullptr);
  third.Unlink();  // unattached: nothing happens
  EXPECT_EQ(third.GetParent(), nullptr);
}

TEST(ObjectRegistry, SetParentMovesToTheEndOfTheNewList) {
  CObject p(nullptr), q(nullptr);
  CObject moving(&p), stays(&p), other(&q);
  CObject grandchild(&moving);

  moving.SetParent(&q);
  EXPECT_EQ(Children(p), (std::vector<CObject*>{&stays}));
  EXPECT_EQ(Children(q), (std::vector<CObject*>{&other, &moving}));

  moving.SetParent(nullptr);
  EXPECT_EQ(Children(q), (std::vector<CObject*>{&other}));
  EXPECT_EQ(moving.GetParent(), nullptr);
  EXPECT_EQ(Children(moving), (std::vector<CObject*>{&grandchild}));
}

TEST(ObjectRegistry, DestroyedChildLeavesItsParentsList) {
  CObject parent(nullptr);
  CObject first(&parent);
  { CObject middle(&parent); }
  CObject last(&parent);
  EXPECT_EQ(Children(parent), (std::vector<CObject*>{&first, &last}));
}

TEST(ObjectRegistry, CopyIsNeitherMappedNorListedAndFreesNothing) {
  CObject parent(nullptr);
  CObject first(&parent), original(&parent), last(&parent);
  {
    CObject copy(original);
    EXPECT_EQ(copy.GetId(), original.GetId());
    EXPECT_EQ(copy.GetParent(), &parent);
    EXPECT_EQ(CObject::Lookup(original.GetId()), &original);
  }
  // The copy's end touched neither the slot nor the list of its original.
  EXPECT_EQ(CObject::Lookup(original.GetId()), &original);
  EXPECT_EQ(Children(parent), (std::vector<CObject*>{&first, &original, &last}));
  {
    CObject copyOfFirst(first);
  }
  EXPECT_EQ(parent.GetFirstChild(), &first);
}

// Last in this program: it leaves the registry at its high-water mark.
TEST(ObjectRegistryFull, NewObjectGetsNoIdAndTheErrorBoxIsShown) {
  Pump(0);
  std::vector<std::unique_ptr<CObject>> objects;
  CObject parent(nullptr);
  while (true) {
    objects.push_back(std::make_unique<CObject>(&parent));
    if (objects.back()->GetId() == CObject::kMapSize - 1) break;
    ASSERT_LT(objects.size(), 4095u);
  }
  ASSERT_EQ(CObject::Lookup(4094), objects.back().get());

  BoxAnswerer answer(IDOK);
  CObject extra(&parent);
  const SeenBox& box = answer.Seen();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.caption, "Fehler");
  EXPECT_EQ(box.text, "Too many objects!");
  EXPECT_EQ(extra.GetId(), 0u);
  EXPECT_EQ(CObject::Lookup(0), nullptr);
  EXPECT_EQ(CObject::Lookup(4095), nullptr);
  EXPECT_EQ(parent.GetLastChild(), &extra);  // still linked, only unmapped

  // A freed slot is found again even at the top.
  objects[10].reset();
  CObject reuse(nullptr);
  EXPECT_NE(reuse.GetId(), 0u);
  EXPECT_EQ(CObject::Lookup(reuse.GetId()), &reuse);

  // A window without an id is created as a plain control the library never
  // routes to, rather than one whose old procedure it could not find again.
  objects[11].reset();
  TestTopWindow top;
  top.CreateTop("Full registry", 10, 10, 200, 100);
  BoxAnswerer again(IDOK);
  CWindow orphan(&top);
  EXPECT_TRUE(again.Seen().found);
  EXPECT_EQ(orphan.GetId(), 0u);
  orphan.Create("orphan", 8, 8, 60, 20, "Button", WS_CHILD | BS_PUSHBUTTON);
  ASSERT_NE(orphan.GetHwnd(), nullptr);
  EXPECT_EQ(GetWindowLongA(orphan.GetHwnd(), GWL_ID), 0);
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(orphan.GetHwnd(), GWLP_WNDPROC)), ControlWndProc);
  EXPECT_EQ(WindowFromHandle(orphan.GetHwnd()), nullptr);
  SendMessageA(orphan.GetHwnd(), WM_KEYDOWN, VK_TAB, 1);  // the button's own handling, no crash
  Pump(0);
}

}  // namespace
