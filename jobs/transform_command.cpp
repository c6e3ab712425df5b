#include "jobs/transform_command.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "jobs/save_jobs.h"

namespace ondrel {
namespace {

enum class PathShown { None, Input, Output };

// The dialog's text for each outcome; a failure text puts the trimmed path
// between its two pieces.
struct MessageRow {
    JobStatus status;
    std::string_view before;
    PathShown path;
    std::string_view after;
    std::string_view caption;
    MessageIcon icon;
};

constexpr std::array kMessages = {
    MessageRow{JobStatus::Converted, "Transform OK!", PathShown::None, "", "OK", MessageIcon::None},
    MessageRow{JobStatus::NoInputPath, "Please select the input file!", PathShown::None, "",
               "Error", MessageIcon::Error},
    MessageRow{JobStatus::OpenInputFailed, "Open file [ ", PathShown::Input, " ] failure!", "Error",
               MessageIcon::Error},
    MessageRow{JobStatus::ReadInputFailed, "Read file [ ", PathShown::Input, " ] failure!", "Error",
               MessageIcon::Error},
    MessageRow{JobStatus::NoOutputPath, "Please select the output file!", PathShown::None, "",
               "Error", MessageIcon::Error},
    MessageRow{JobStatus::CreateOutputFailed, "Create file [ ", PathShown::Output, " ] failure!",
               "Error", MessageIcon::Error},
    MessageRow{JobStatus::WriteOutputFailed, "Write file [ ", PathShown::Output, " ] failure!",
               "Error", MessageIcon::Error},
};

constexpr std::string_view kBlanks = " \t\n\v\f\r";

}  // namespace

void TrimPath(std::string& path) {
    path.erase(0, std::min(path.find_first_not_of(kBlanks), path.size()));
    path.erase(path.find_last_not_of(kBlanks) + 1);
}

void RunTransform(std::string& inputPath, std::string& outputPath, SourceKind kind,
                  MessageSink& sink) {
    TrimPath(inputPath);
    TrimPath(outputPath);
    const JobOutcome outcome = RunSaveJob(inputPath, outputPath, kind);
    for (const auto& row : kMessages) {
        if (row.status != outcome.status) continue;
        std::string text(row.before);
        if (row.path == PathShown::Input) text += inputPath;
        if (row.path == PathShown::Output) text += outputPath;
        text += row.after;
        sink.ShowMessage(text, std::string(row.caption), row.icon);
        return;
    }
}

}  // namespace ondrel
