// CStringList: an ordered list of CString, walked with positions.
#pragma once

#include "framework/CString.h"

typedef struct __POSITION* POSITION;

class ZRFRAMEWORK_API CStringList {
 public:
  CStringList();
  CStringList(const CStringList& other);
  CStringList& operator=(const CStringList& other);
  ~CStringList();

  int GetCount() const { return m_nCount; }
  bool IsEmpty() const { return m_nCount == 0; }

  POSITION AddTail(const char* text);
  POSITION AddHead(const char* text);
  void RemoveAll();
  CString RemoveHead();

  const CString& GetHead() const;
  const CString& GetTail() const;
  POSITION GetHeadPosition() const;
  // Returns the element at pos and moves pos to the next one (null at the end).
  const CString& GetNext(POSITION& pos) const;
  const CString& GetAt(POSITION pos) const;
  // Position of the first element equal to text, or null.
  POSITION Find(const char* text) const;

 private:
  void Grow();

  CString* m_pItems;
  int m_nCount;
  int m_nCapacity;
};
