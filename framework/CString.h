// CString: the ANSI string of the application framework the library was
// written against. Text is bytes of the ANSI code page; searching, replacing,
// upper-casing and no-case comparison step over double-byte characters, so a
// trail byte that equals '\\' or a letter is never taken for one.
#pragma once

#include <cstddef>

#include "framework/FrameworkExport.h"

#if defined(__GNUC__)
#define ZRFRAMEWORK_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZRFRAMEWORK_PRINTF(fmt, args)
#endif

class ZRFRAMEWORK_API CString {
 public:
  CString();
  CString(const CString& other);
  CString(const char* text);  // null gives the empty text
  CString(const char* text, int length);
  CString(char ch, int repeat = 1);
  ~CString();

  CString& operator=(const CString& other);
  CString& operator=(const char* text);
  CString& operator=(char ch);

  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);

  operator const char*() const { return m_pchData; }
  int GetLength() const { return m_nLength; }
  bool IsEmpty() const { return m_nLength == 0; }
  void Empty();
  char GetAt(int index) const;
  char operator[](int index) const { return GetAt(index); }
  void SetAt(int index, char ch);

  // Byte positions; counts beyond the text are clamped, negative counts give "".
  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;

  // Byte index of the first or last match (whole characters only), or -1.
  int Find(char ch) const;
  int Find(char ch, int start) const;
  int Find(const char* sub) const;
  int Find(const char* sub, int start) const;
  int ReverseFind(char ch) const;
  int FindOneOf(const char* set) const;

  // Number of replacements made.
  int Replace(char oldChar, char newChar);
  int Replace(const char* oldText, const char* newText);
  int Remove(char ch);

  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  void TrimRight();
  void TrimRight(char target);
  void TrimRight(const char* targets);
  void TrimLeft();
  void TrimLeft(char target);
  void TrimLeft(const char* targets);
  void Trim() {
    TrimRight();
    TrimLeft();
  }

  int Compare(const char* text) const;        // byte order, like strcmp
  int CompareNoCase(const char* text) const;  // ASCII (and code-page single-byte) letters fold

  void Format(const char* format, ...) ZRFRAMEWORK_PRINTF(2, 3);

  // Raw access for APIs that fill a buffer: GetBuffer gives at least minLength+1
  // writable bytes; ReleaseBuffer(-1) takes the length up to the first NUL.
  char* GetBuffer(int minLength);
  void ReleaseBuffer(int newLength = -1);
  char* GetBufferSetLength(int newLength);

 private:
  void Assign(const char* text, std::size_t length);
  void Append(const char* text, std::size_t length);
  void Reserve(std::size_t capacity);

  char* m_pchData;
  int m_nLength;
  int m_nCapacity;
};

ZRFRAMEWORK_API CString operator+(const CString& left, const CString& right);
ZRFRAMEWORK_API CString operator+(const CString& left, const char* right);
ZRFRAMEWORK_API CString operator+(const char* left, const CString& right);
ZRFRAMEWORK_API CString operator+(const CString& left, char right);
ZRFRAMEWORK_API CString operator+(char left, const CString& right);

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
inline bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
