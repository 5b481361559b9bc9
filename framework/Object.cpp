#include "framework/Object.h"

#include "framework/MessageBoxes.h"

unsigned int CObject::mObjectCount = CObject::kFirstId;
CObject* CObject::mObjectMap[CObject::kMapSize] = {};

CObject::CObject(CObject* parent)
    : mId(0), mParent(nullptr), mPrev(nullptr), mNext(nullptr), mFirstChild(nullptr), mLastChild(nullptr) {
  unsigned int candidate = kFirstId;
  while (candidate < mObjectCount && mObjectMap[candidate]) ++candidate;
  if (candidate == mObjectCount) {
    if (mObjectCount >= kMapSize) {
      // Without an id the object is never mapped, so no message can reach it.
      ErrorBox("Too many objects!");
      candidate = 0;
    } else {
      ++mObjectCount;
    }
  }
  if (candidate) {
    mObjectMap[candidate] = this;
    mId = candidate;
  }
  SetParent(parent);
}

CObject::CObject(const CObject& other) = default;
// Assignment onto a live object keeps its own id and place in the tree: the
// map and its neighbours point to it, and only it may free that slot.
CObject& CObject::operator=(const CObject& /*other*/) { return *this; }

CObject::~CObject() {
  Unlink();
  if (mId && mId < kMapSize && mObjectMap[mId] == this) mObjectMap[mId] = nullptr;
}

// A copy carries the links of its original without being in the list; only
// the object the list really holds may rewrite its neighbours.
bool CObject::IsListedUnderParent() const {
  return mPrev ? mPrev->mNext == this : mParent->mFirstChild == this;
}

void CObject::Unlink() {
  if (!mParent) return;
  if (IsListedUnderParent()) {
    if (mPrev)
      mPrev->mNext = mNext;
    else
      mParent->mFirstChild = mNext;
    if (mNext)
      mNext->mPrev = mPrev;
    else
      mParent->mLastChild = mPrev;
  }
  mParent = nullptr;
  mNext = nullptr;
  mPrev = nullptr;
}

void CObject::SetParent(CObject* parent) {
  Unlink();
  if (!parent) return;
  mParent = parent;
  if (parent->mFirstChild) {
    parent->mLastChild->mNext = this;
    mPrev = parent->mLastChild;
  } else {
    parent->mFirstChild = this;
  }
  parent->mLastChild = this;
}

CObject* CObject::Lookup(unsigned int id) {
  if (id < kFirstId || id >= mObjectCount) return nullptr;
  return mObjectMap[id];
}

unsigned int CObject::GetId() const { return mId; }
CObject* CObject::GetParent() const { return mParent; }
CObject* CObject::GetPrev() const { return mPrev; }
CObject* CObject::GetNext() const { return mNext; }
CObject* CObject::GetFirstChild() const { return mFirstChild; }
CObject* CObject::GetLastChild() const { return mLastChild; }
