#include "framework/CStringList.h"

#include <cstdint>

namespace {

// Positions are 1-based indexes, so the null position means "none".
POSITION ToPosition(int index) { return reinterpret_cast<POSITION>(static_cast<std::intptr_t>(index) + 1); }
int ToIndex(POSITION pos) { return static_cast<int>(reinterpret_cast<std::intptr_t>(pos) - 1); }

const CString& EmptyString() {
  static const CString empty;
  return empty;
}

}  // namespace

CStringList::CStringList() : m_pItems(nullptr), m_nCount(0), m_nCapacity(0) {}

CStringList::CStringList(const CStringList& other) : CStringList() { *this = other; }

CStringList& CStringList::operator=(const CStringList& other) {
  if (this == &other) return *this;
  RemoveAll();
  for (int i = 0; i < other.m_nCount; ++i) AddTail(other.m_pItems[i]);
  return *this;
}

CStringList::~CStringList() { delete[] m_pItems; }

void CStringList::Grow() {
  if (m_nCount < m_nCapacity) return;
  int capacity = m_nCapacity ? m_nCapacity * 2 : 8;
  CString* items = new CString[capacity];
  for (int i = 0; i < m_nCount; ++i) items[i] = m_pItems[i];
  delete[] m_pItems;
  m_pItems = items;
  m_nCapacity = capacity;
}

POSITION CStringList::AddTail(const char* text) {
  Grow();
  m_pItems[m_nCount] = text;
  return ToPosition(m_nCount++);
}

POSITION CStringList::AddHead(const char* text) {
  CString copy(text);
  Grow();
  for (int i = m_nCount; i > 0; --i) m_pItems[i] = m_pItems[i - 1];
  m_pItems[0] = copy;
  ++m_nCount;
  return ToPosition(0);
}

void CStringList::RemoveAll() {
  for (int i = 0; i < m_nCount; ++i) m_pItems[i].Empty();
  m_nCount = 0;
}

CString CStringList::RemoveHead() {
  if (m_nCount == 0) return CString();
  CString head = m_pItems[0];
  for (int i = 1; i < m_nCount; ++i) m_pItems[i - 1] = m_pItems[i];
  m_pItems[--m_nCount].Empty();
  return head;
}

const CString& CStringList::GetHead() const { return m_nCount ? m_pItems[0] : EmptyString(); }

const CString& CStringList::GetTail() const { return m_nCount ? m_pItems[m_nCount - 1] : EmptyString(); }

POSITION CStringList::GetHeadPosition() const { return m_nCount ? ToPosition(0) : nullptr; }

const CString& CStringList::GetNext(POSITION& pos) const {
  const CString& item = GetAt(pos);
  int index = ToIndex(pos);
  pos = (index + 1 < m_nCount) ? ToPosition(index + 1) : nullptr;
  return item;
}

const CString& CStringList::GetAt(POSITION pos) const {
  int index = ToIndex(pos);
  return (pos && index >= 0 && index < m_nCount) ? m_pItems[index] : EmptyString();
}

POSITION CStringList::Find(const char* text) const {
  for (int i = 0; i < m_nCount; ++i) {
    if (m_pItems[i] == text) return ToPosition(i);
  }
  return nullptr;
}
