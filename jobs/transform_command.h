#pragma once

// The dialog's "&Transform" command: the paths trimmed, one conversion, and
// exactly one message for the user.

#include <string>

#include "core/source_kind.h"

namespace ondrel {

// The values are the message-box types the dialog passes on.
enum class MessageIcon : unsigned {
    None = 0,    // OK button only
    Error = 16,  // stop icon and OK button
};

// Where the Transform command reports: one modal message per command.
class MessageSink {
public:
    virtual ~MessageSink() = default;

    // Overridables
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

// Drops leading and trailing blanks, tabs, line feeds, vertical tabs, form
// feeds and carriage returns.
void TrimPath(std::string& path);

// The "&Transform" command: trims both paths in place, converts the input
// read as kind into the output, and reports exactly one message to sink.
void RunTransform(std::string& inputPath, std::string& outputPath, SourceKind kind,
                  MessageSink& sink);

}  // namespace ondrel
