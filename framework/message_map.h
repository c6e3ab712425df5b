#pragma once

// Static message-map tables. Each class that handles messages declares
// DECLARE_MESSAGE_MAP() and writes a table between BEGIN_MESSAGE_MAP(class,
// base) and END_MESSAGE_MAP(); a lookup walks the class's own table first,
// then its base class's, and so on up to CCmdTarget, whose table is empty.
// The first matching entry wins, so a derived class overrides a base entry
// by listing the same message.

#include <windows.h>

class CCmdTarget;

// The handler shapes the tables can hold.
enum class MessageSig {
    End,     // closes a table
    Void,    // void Handler()
    Cursor,  // HCURSOR Handler()
    Drop,    // void Handler(HDROP): the message's wParam
};

union MessageHandler {
    void (CCmdTarget::*pfnVoid)();
    HCURSOR (CCmdTarget::*pfnCursor)();
    void (CCmdTarget::*pfnDrop)(HDROP);
};

struct CMessageMapEntry {
    UINT nMessage;  // WM_...
    UINT nCode;     // notification code, for WM_COMMAND
    UINT nID;       // control or command ID, for WM_COMMAND
    MessageSig nSig;
    MessageHandler handler;
};

struct CMessageMap {
    const CMessageMap* (*pfnGetBaseMap)();  // null for the root
    const CMessageMapEntry* lpEntries;
};

// The first entry for (nMessage, nCode, nID) in pMap or its bases; null if none.
const CMessageMapEntry* FindMessageMapEntry(const CMessageMap* pMap, UINT nMessage, UINT nCode,
                                            UINT nID);

#define DECLARE_MESSAGE_MAP()                      \
protected:                                         \
    static const CMessageMap* GetThisMessageMap(); \
    const CMessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)           \
    const CMessageMap* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                      \
    }                                                    \
    const CMessageMap* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;     \
        using TheBaseClass = baseClass;                  \
        static const CMessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                                                           \
    {                                                                               \
        0, 0, 0, MessageSig::End, {}                                                \
    }                                                                               \
    }                                                                               \
    ;                                                                               \
    static const CMessageMap map = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
    return &map;                                                                    \
    }

#define FRAMEWORK_VOID_HANDLER(memberFxn) \
    { .pfnVoid = static_cast<void (CCmdTarget::*)()>(memberFxn) }

// A WM_COMMAND from a menu, an accelerator or a button click (code 0).
#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, 0, static_cast<UINT>(id), MessageSig::Void, FRAMEWORK_VOID_HANDLER(memberFxn)},
#define ON_BN_CLICKED(id, memberFxn)                                  \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), MessageSig::Void, \
     FRAMEWORK_VOID_HANDLER(memberFxn)},
#define ON_WM_PAINT() \
    {WM_PAINT, 0, 0, MessageSig::Void, FRAMEWORK_VOID_HANDLER(&ThisClass::OnPaint)},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON,        \
     0,                       \
     0,                       \
     MessageSig::Cursor,      \
     {.pfnCursor = static_cast<HCURSOR (CCmdTarget::*)()>(&ThisClass::OnQueryDragIcon)}},
// Files dropped from the shell on a window that accepts them (CWnd::DragAcceptFiles).
#define ON_WM_DROPFILES() \
    {WM_DROPFILES,        \
     0,                   \
     0,                   \
     MessageSig::Drop,    \
     {.pfnDrop = static_cast<void (CCmdTarget::*)(HDROP)>(&ThisClass::OnDropFiles)}},

// The root of every class that handles commands or messages.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Overridables
    // Runs the table's handler for a WM_COMMAND; FALSE when no table has one.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    // Calls the entry's handler on this object with what its shape takes of
    // the message, and gives its result.
    LRESULT CallHandler(const CMessageMapEntry& entry, WPARAM wParam = 0);

    // Message map
    static const CMessageMap* GetThisMessageMap();
    virtual const CMessageMap* GetMessageMap() const;
};
