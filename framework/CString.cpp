#include "framework/CString.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/Mbcs.h"

using zrframework::Mbcs;

namespace {

char g_empty[1] = {'\0'};  // shared by every empty string; never written

std::size_t SafeLength(const char* text) { return text ? std::strlen(text) : 0; }

// Byte index of the first whole character at or after start that begins sub.
int FindText(const char* data, int length, const char* sub, int start) {
  std::size_t subLength = SafeLength(sub);
  if (start < 0) start = 0;
  if (subLength == 0 || start > length) return -1;
  for (int i = 0; i < length;) {
    if (i >= start && static_cast<std::size_t>(length - i) >= subLength && std::memcmp(data + i, sub, subLength) == 0) {
      return i;
    }
    i += static_cast<int>(Mbcs::CharLength(data + i));
  }
  return -1;
}

bool IsSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

}  // namespace

CString::CString() : m_pchData(g_empty), m_nLength(0), m_nCapacity(0) {}

CString::CString(const CString& other) : CString() { Assign(other.m_pchData, other.m_nLength); }

CString::CString(const char* text) : CString() { Assign(text, SafeLength(text)); }

CString::CString(const char* text, int length) : CString() {
  Assign(text, text && length > 0 ? static_cast<std::size_t>(length) : 0);
}

CString::CString(char ch, int repeat) : CString() {
  if (repeat <= 0) return;
  Reserve(static_cast<std::size_t>(repeat));
  std::memset(m_pchData, ch, static_cast<std::size_t>(repeat));
  m_nLength = repeat;
  m_pchData[m_nLength] = '\0';
}

CString::~CString() {
  if (m_pchData != g_empty) std::free(m_pchData);
}

CString& CString::operator=(const CString& other) {
  if (this != &other) Assign(other.m_pchData, other.m_nLength);
  return *this;
}

CString& CString::operator=(const char* text) {
  Assign(text, SafeLength(text));
  return *this;
}

CString& CString::operator=(char ch) {
  Assign(&ch, 1);
  return *this;
}

CString& CString::operator+=(const CString& other) {
  Append(other.m_pchData, other.m_nLength);
  return *this;
}

CString& CString::operator+=(const char* text) {
  Append(text, SafeLength(text));
  return *this;
}

CString& CString::operator+=(char ch) {
  Append(&ch, 1);
  return *this;
}

void CString::Reserve(std::size_t capacity) {
  if (capacity <= static_cast<std::size_t>(m_nCapacity)) return;
  std::size_t grown = static_cast<std::size_t>(m_nCapacity) * 2;
  if (grown < capacity) grown = capacity;
  if (grown < 15) grown = 15;
  if (grown > 0x7FFFFFF0u) throw std::bad_alloc();
  char* data = static_cast<char*>(m_pchData == g_empty ? std::malloc(grown + 1) : std::realloc(m_pchData, grown + 1));
  if (data == nullptr) throw std::bad_alloc();
  if (m_pchData == g_empty) data[0] = '\0';
  m_pchData = data;
  m_nCapacity = static_cast<int>(grown);
}

void CString::Assign(const char* text, std::size_t length) {
  if (length == 0) {
    Empty();
    return;
  }
  if (text >= m_pchData && text <= m_pchData + m_nLength) {  // assigning a part of ourselves
    CString copy(text, static_cast<int>(length));
    Assign(copy.m_pchData, length);
    return;
  }
  Reserve(length);
  std::memcpy(m_pchData, text, length);
  m_nLength = static_cast<int>(length);
  m_pchData[m_nLength] = '\0';
}

void CString::Append(const char* text, std::size_t length) {
  if (length == 0) return;
  if (text >= m_pchData && text <= m_pchData + m_nLength && m_pchData != g_empty) {
    CString copy(text, static_cast<int>(length));
    Append(copy.m_pchData, length);
    return;
  }
  Reserve(static_cast<std::size_t>(m_nLength) + length);
  std::memcpy(m_pchData + m_nLength, text, length);
  m_nLength += static_cast<int>(length);
  m_pchData[m_nLength] = '\0';
}

void CString::Empty() {
  if (m_pchData != g_empty) m_pchData[0] = '\0';
  m_nLength = 0;
}

char CString::GetAt(int index) const { return (index >= 0 && index < m_nLength) ? m_pchData[index] : '\0'; }

void CString::SetAt(int index, char ch) {
  if (index >= 0 && index < m_nLength) m_pchData[index] = ch;
}

CString CString::Left(int count) const {
  if (count < 0) count = 0;
  if (count >= m_nLength) return *this;
  return CString(m_pchData, count);
}

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  if (count >= m_nLength) return *this;
  return CString(m_pchData + m_nLength - count, count);
}

CString CString::Mid(int first) const { return Mid(first, m_nLength); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  if (first >= m_nLength) return CString();
  if (count > m_nLength - first) count = m_nLength - first;
  if (first == 0 && count == m_nLength) return *this;
  return CString(m_pchData + first, count);
}

int CString::Find(char ch) const { return Find(ch, 0); }

int CString::Find(char ch, int start) const {
  char sub[2] = {ch, '\0'};
  return ch == '\0' ? -1 : FindText(m_pchData, m_nLength, sub, start);
}

int CString::Find(const char* sub) const { return Find(sub, 0); }

int CString::Find(const char* sub, int start) const { return FindText(m_pchData, m_nLength, sub, start); }

int CString::ReverseFind(char ch) const {
  int found = -1;
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (step == 1 && m_pchData[i] == ch) found = i;
    i += step;
  }
  return found;
}

int CString::FindOneOf(const char* set) const {
  if (set == nullptr) return -1;
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (step == 1 && std::strchr(set, m_pchData[i]) != nullptr) return i;
    i += step;
  }
  return -1;
}

int CString::Replace(char oldChar, char newChar) {
  int count = 0;
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (step == 1 && m_pchData[i] == oldChar) {
      m_pchData[i] = newChar;
      ++count;
    }
    i += step;
  }
  return count;
}

int CString::Replace(const char* oldText, const char* newText) {
  std::size_t oldLength = SafeLength(oldText);
  if (oldLength == 0) return 0;
  std::size_t newLength = SafeLength(newText);
  CString result;
  int count = 0;
  int copied = 0;
  for (int at = FindText(m_pchData, m_nLength, oldText, 0); at >= 0;
       at = FindText(m_pchData, m_nLength, oldText, at + static_cast<int>(oldLength))) {
    result.Append(m_pchData + copied, static_cast<std::size_t>(at - copied));
    result.Append(newText, newLength);
    copied = at + static_cast<int>(oldLength);
    ++count;
  }
  if (count == 0) return 0;
  result.Append(m_pchData + copied, static_cast<std::size_t>(m_nLength - copied));
  *this = result;
  return count;
}

int CString::Remove(char ch) {
  int out = 0;
  int removed = 0;
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (step == 1 && m_pchData[i] == ch) {
      ++removed;
    } else {
      std::memmove(m_pchData + out, m_pchData + i, static_cast<std::size_t>(step));
      out += step;
    }
    i += step;
  }
  if (removed) {
    m_nLength = out;
    m_pchData[m_nLength] = '\0';
  }
  return removed;
}

void CString::MakeUpper() {
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (step == 1) m_pchData[i] = Mbcs::ToUpper(m_pchData[i]);
    i += step;
  }
}

void CString::MakeLower() {
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (step == 1) m_pchData[i] = Mbcs::ToLower(m_pchData[i]);
    i += step;
  }
}

void CString::MakeReverse() {
  CString reversed;
  reversed.Reserve(static_cast<std::size_t>(m_nLength));
  for (int i = m_nLength; i > 0;) {
    // Walk forward to find the start of the last character before i.
    int last = 0;
    for (int j = 0; j < i;) {
      last = j;
      j += static_cast<int>(Mbcs::CharLength(m_pchData + j));
    }
    reversed.Append(m_pchData + last, static_cast<std::size_t>(i - last));
    i = last;
  }
  *this = reversed;
}

void CString::TrimRight() {
  // The last run of single-byte white space that stands on character boundaries.
  int keep = 0;
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (!(step == 1 && IsSpace(m_pchData[i]))) keep = i + step;
    i += step;
  }
  if (keep < m_nLength) {
    m_nLength = keep;
    m_pchData[m_nLength] = '\0';
  }
}

void CString::TrimRight(char target) {
  char set[2] = {target, '\0'};
  TrimRight(set);
}

void CString::TrimRight(const char* targets) {
  if (targets == nullptr) return;
  int keep = 0;
  for (int i = 0; i < m_nLength;) {
    int step = static_cast<int>(Mbcs::CharLength(m_pchData + i));
    if (!(step == 1 && m_pchData[i] != '\0' && std::strchr(targets, m_pchData[i]))) keep = i + step;
    i += step;
  }
  if (keep < m_nLength) {
    m_nLength = keep;
    m_pchData[m_nLength] = '\0';
  }
}

void CString::TrimLeft() {
  int skip = 0;
  while (skip < m_nLength && IsSpace(m_pchData[skip])) ++skip;
  if (skip) *this = Mid(skip);
}

void CString::TrimLeft(char target) {
  char set[2] = {target, '\0'};
  TrimLeft(set);
}

void CString::TrimLeft(const char* targets) {
  if (targets == nullptr) return;
  int skip = 0;
  while (skip < m_nLength && !Mbcs::IsLeadByte(static_cast<unsigned char>(m_pchData[skip])) &&
         std::strchr(targets, m_pchData[skip]))
    ++skip;
  if (skip) *this = Mid(skip);
}

int CString::Compare(const char* text) const { return std::strcmp(m_pchData, text ? text : ""); }

int CString::CompareNoCase(const char* text) const {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pchData);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(text ? text : "");
  while (*a || *b) {
    std::size_t stepA = Mbcs::CharLength(reinterpret_cast<const char*>(a));
    std::size_t stepB = Mbcs::CharLength(reinterpret_cast<const char*>(b));
    if (stepA == 1 && stepB == 1) {
      int ca = static_cast<unsigned char>(Mbcs::ToLower(static_cast<char>(*a)));
      int cb = static_cast<unsigned char>(Mbcs::ToLower(static_cast<char>(*b)));
      if (ca != cb) return ca < cb ? -1 : 1;
    } else {
      // A double-byte character only equals the same two bytes.
      for (std::size_t k = 0; k < (stepA > stepB ? stepA : stepB); ++k) {
        int ca = k < stepA ? a[k] : 0;
        int cb = k < stepB ? b[k] : 0;
        if (ca != cb) return ca < cb ? -1 : 1;
      }
    }
    a += stepA;
    b += stepB;
  }
  return 0;
}

void CString::Format(const char* format, ...) {
  if (format == nullptr) {
    Empty();
    return;
  }
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (length <= 0) {
    va_end(again);
    Empty();
    return;
  }
  CString result;
  result.Reserve(static_cast<std::size_t>(length));
  std::vsnprintf(result.m_pchData, static_cast<std::size_t>(length) + 1, format, again);
  va_end(again);
  result.m_nLength = length;
  *this = result;
}

char* CString::GetBuffer(int minLength) {
  if (minLength < m_nLength) minLength = m_nLength;
  Reserve(static_cast<std::size_t>(minLength > 0 ? minLength : 1));
  return m_pchData;
}

void CString::ReleaseBuffer(int newLength) {
  if (m_pchData == g_empty) {
    m_nLength = 0;
    return;
  }
  if (newLength < 0) newLength = static_cast<int>(std::strlen(m_pchData));
  if (newLength > m_nCapacity) newLength = m_nCapacity;
  m_nLength = newLength;
  m_pchData[m_nLength] = '\0';
}

char* CString::GetBufferSetLength(int newLength) {
  if (newLength < 0) newLength = 0;
  GetBuffer(newLength);
  m_nLength = newLength;
  m_pchData[m_nLength] = '\0';
  return m_pchData;
}

CString operator+(const CString& left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const CString& left, const char* right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const char* left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(const CString& left, char right) {
  CString result(left);
  result += right;
  return result;
}

CString operator+(char left, const CString& right) {
  CString result(left);
  result += right;
  return result;
}
