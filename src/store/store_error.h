#pragma once

#include <stdexcept>
#include <string>

namespace store {

// A file operation that failed: which operation, on which file, and the system's reason.
// The window shows it to the user and the action ends; nothing is written after it.
class StoreError : public std::runtime_error {
public:
    StoreError(std::string operation, std::string fileName, std::string reason)
        : std::runtime_error(operation + " \"" + fileName + "\": " + reason),
          operation_(std::move(operation)), fileName_(std::move(fileName)),
          reason_(std::move(reason))
    {
    }

    // "open", "read", "write", "sync", "close", "rename", "remove", "lock", ...
    const std::string& operation() const { return operation_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& reason() const { return reason_; }

private:
    std::string operation_;
    std::string fileName_;
    std::string reason_;
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
