#include "framework/message_map.h"

const CMessageMapEntry* FindMessageMapEntry(const CMessageMap* pMap, UINT nMessage, UINT nCode,
                                            UINT nID) {
    for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const CMessageMapEntry* entry = pMap->lpEntries; entry->nSig != MessageSig::End;
             ++entry) {
            if (entry->nMessage == nMessage && entry->nCode == nCode && entry->nID == nID)
                return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode) {
    const CMessageMapEntry* entry = FindMessageMapEntry(GetMessageMap(), WM_COMMAND, nCode, nID);
    if (!entry) return FALSE;
    CallHandler(*entry);
    return TRUE;
}

LRESULT CCmdTarget::CallHandler(const CMessageMapEntry& entry, WPARAM wParam) {
    switch (entry.nSig) {
        case MessageSig::Void:
            (this->*entry.handler.pfnVoid)();
            return 0;
        case MessageSig::Cursor:
            return reinterpret_cast<LRESULT>((this->*entry.handler.pfnCursor)());
        case MessageSig::Drop:
            (this->*entry.handler.pfnDrop)(reinterpret_cast<HDROP>(wParam));
            return 0;
        case MessageSig::End:
            break;
    }
    return 0;
}

const CMessageMap* CCmdTarget::GetThisMessageMap() {
    static const CMessageMapEntry entries[] = {{0, 0, 0, MessageSig::End, {}}};
    static const CMessageMap map = {nullptr, &entries[0]};
    return &map;
}

const CMessageMap* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}
