#include "framework/cstring.h"

#include <algorithm>
#include <string_view>

#include "framework/mbcs.h"

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

std::size_t Clamp(int nCount, std::size_t size) {
    return nCount <= 0 ? 0 : std::min(static_cast<std::size_t>(nCount), size);
}

}  // namespace

CString::CString(const char* psz) : m_str(psz ? psz : "") {}

CString::CString(const char* pch, int nLength)
    : m_str(pch && nLength > 0 ? std::string(pch, static_cast<std::size_t>(nLength))
                               : std::string()) {}

CString& CString::operator=(const char* psz) {
    m_str = psz ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& str) {
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) m_str += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString& CString::TrimLeft() {
    m_str.erase(0, std::min(m_str.find_first_not_of(kWhiteSpace), m_str.size()));
    return *this;
}

CString& CString::TrimRight() {
    m_str.erase(m_str.find_last_not_of(kWhiteSpace) + 1);
    return *this;
}

CString& CString::MakeUpper() {
    framework::UpperAsciiLetters(m_str);
    return *this;
}

CString CString::Left(int nCount) const {
    return CString(m_str.substr(0, Clamp(nCount, m_str.size())));
}

CString CString::Right(int nCount) const {
    return CString(m_str.substr(m_str.size() - Clamp(nCount, m_str.size())));
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_str + b.m_str);
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    return CString(a) + b;
}

CString operator+(const CString& a, char b) {
    CString result(a);
    result += b;
    return result;
}

bool operator==(const CString& a, const char* b) {
    return a.m_str == (b ? b : "");
}
