#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace store {

// A file operation that failed: which operation, on which file, and the system's reason.
// The window shows it to the user and the action ends; nothing is written after it.
class StoreError : public std::runtime_error {
public:
    enum class Subject { File, Folder };

    StoreError(std::string operation, std::string fileName, std::string reason,
               Subject subject = Subject::File)
        : std::runtime_error(operation + " \"" + fileName + "\": " + reason),
          operation_(std::move(operation)), fileName_(std::move(fileName)),
          reason_(std::move(reason)), subject_(subject)
    {
    }

    // "open", "read", "write", "sync", "close", "rename", "remove", "lock", ...
    const std::string& operation() const { return operation_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& reason() const { return reason_; }
    bool namesFolder() const { return subject_ == Subject::Folder || fileName_ == "."; }
    // The name to show the user: the working directory goes by its full path, since "." would
    // tell them nothing.
    std::string shownName() const
    {
        std::error_code unknown;
        return fileName_ == "." ? std::filesystem::current_path(unknown).string() : fileName_;
    }

private:
    std::string operation_;
    std::string fileName_;
    std::string reason_;
    Subject subject_;
};

// Another Zarvoth window kept the folder for longer than a window waits for it.
class FolderBusy : public StoreError {
public:
    explicit FolderBusy(std::string fileName)
        : StoreError("lock", std::move(fileName), "another Zarvoth window keeps it")
    {
    }
};

// The system's text for an errno value.
std::string systemReason(int error);

} // namespace store
