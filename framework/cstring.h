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
