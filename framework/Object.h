// The root of the class library: an object id that doubles as the Win32
// control and command id, and a place in the parent/child tree.
#pragma once

#include "framework/Export.h"

class KBL_EXPORT CObject {
 public:
  explicit CObject(CObject* parent);
  // Memberwise: a copy shares id and links but is neither mapped nor attached.
  CObject(const CObject& other);
  // Keeps this object's own id and links.
  CObject& operator=(const CObject& other);
  ~CObject();

  void Unlink();
  void SetParent(CObject* parent);
  static CObject* Lookup(unsigned int id);

  // 0 for an object that found the registry full.
  unsigned int GetId() const;
  CObject* GetParent() const;
  CObject* GetPrev() const;
  CObject* GetNext() const;
  CObject* GetFirstChild() const;
  CObject* GetLastChild() const;

  static const unsigned int kFirstId = 512;
  static const unsigned int kMapSize = 4095;

 protected:
  unsigned int mId;
  CObject* mParent;
  CObject* mPrev;
  CObject* mNext;
  CObject* mFirstChild;
  CObject* mLastChild;

 private:
  bool IsListedUnderParent() const;

  static unsigned int mObjectCount;
  static CObject* mObjectMap[kMapSize];
};
