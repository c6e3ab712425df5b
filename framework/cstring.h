#pragma once

// CString: the framework's byte string. Text is kept in the ANSI code page
// exactly as the edit controls and file dialogs deliver it; lengths and
// positions count bytes.

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* psz);  // NOLINT(google-explicit-constructor): like a string literal
    CString(const char* pch, int nLength);
    explicit CString(std::string str) : m_str(std::move(str)) {}

    // Attributes
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    char GetAt(int nIndex) const { return m_str[static_cast<std::size_t>(nIndex)]; }
    char operator[](int nIndex) const { return GetAt(nIndex); }
    const char* GetString() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }  // NOLINT: LPCSTR wherever one is asked
    // The bytes themselves, for code that works on std::string in place.
    std::string& StdString() { return m_str; }
    const std::string& StdString() const { return m_str; }

    // Operations
    void Empty() { m_str.clear(); }
    CString& operator=(const char* psz);
    CString& operator+=(const CString& str);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    // Drop leading / trailing blanks, tabs, line feeds, vertical tabs, form
    // feeds and carriage returns. No byte of a double-byte character is one
    // of those, so the bytes can be looked at one by one in every code page.
    CString& TrimLeft();
    CString& TrimRight();
    // Upper-cases the letters a-z. Other bytes, and the second byte of a
    // double-byte character of the ANSI code page, are left alone.
    CString& MakeUpper();
    // The first / last nCount bytes; the whole string when it is shorter, an
    // empty one for a count below one.
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    // Byte-wise equality.
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b);

private:
    std::string m_str;
};
