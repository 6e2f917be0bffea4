#include "ScriptedLibrary.h"

#include <algorithm>
#include <cstring>

namespace testing_support {

ScriptedLibrary::ScriptedLibrary(std::vector<std::string> serials) : serials_(std::move(serials)) {}

int ScriptedLibrary::callCount(const std::string& call) const {
    return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

bool ScriptedLibrary::fails(const std::string& call) {
    calls_.push_back(call);
    auto it = failures_.find(call);
    if (it != failures_.end() && it->second > 0) {
        --it->second;
        return true;
    }
    return false;
}

int ScriptedLibrary::getNumDevices(std::uint32_t* count) {
    if (fails("count")) {
        return usb::DeviceIoFailed;
    }
    *count = static_cast<std::uint32_t>(serials_.size());
    return usb::Ok;
}

int ScriptedLibrary::getProductString(std::uint32_t index, char* buffer, std::uint32_t option) {
    if (fails("string") || index >= serials_.size()) {
        return usb::DeviceNotFound;
    }
    const std::string text = option == usb::kSerialNumber ? serials_[index] : "scripted box";
    const std::size_t n = std::min<std::size_t>(text.size(), usb::kStringBufferSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return usb::Ok;
}

int ScriptedLibrary::open(std::uint32_t index, usb::Handle* handle) {
    if (fails("open") || index >= serials_.size()) {
        *handle = usb::kInvalidHandle;
        return usb::DeviceNotFound;
    }
    openHandle_ = 100 + static_cast<usb::Handle>(index);
    *handle = openHandle_;
    return usb::Ok;
}

int ScriptedLibrary::close(usb::Handle handle) {
    if (fails("close")) {
        return usb::InvalidHandle;
    }
    if (handle != openHandle_) {
        return usb::InvalidHandle;
    }
    openHandle_ = usb::kInvalidHandle;
    return usb::Ok;
}

int ScriptedLibrary::read(usb::Handle handle, void* buffer, std::uint32_t count,
                          std::uint32_t* bytesRead) {
    timeoutsAtIo_.emplace_back(readTimeout_, writeTimeout_);
    *bytesRead = 0;
    if (fails("read") || handle != openHandle_) {
        return usb::ReadError;
    }
    if (rx_.empty()) {
        return usb::ReadTimedOut;
    }
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, rx_.size()));
    std::copy_n(rx_.begin(), n, static_cast<std::uint8_t*>(buffer));
    rx_.erase(rx_.begin(), rx_.begin() + n);
    *bytesRead = n;
    return usb::Ok;
}

int ScriptedLibrary::write(usb::Handle handle, const void* buffer, std::uint32_t count,
                           std::uint32_t* bytesWritten) {
    timeoutsAtIo_.emplace_back(readTimeout_, writeTimeout_);
    *bytesWritten = 0;
    if (fails("write") || handle != openHandle_) {
        return usb::WriteError;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    Bytes request(bytes, bytes + count);
    writes_.push_back(request);
    Bytes answer;
    if (!answers_.empty()) {
        answer = std::move(answers_.front());
        answers_.pop_front();
    } else if (responder_) {
        answer = responder_(request);
    }
    rx_.insert(rx_.end(), answer.begin(), answer.end());
    *bytesWritten = count;
    return usb::Ok;
}

int ScriptedLibrary::flushBuffers(usb::Handle handle, std::uint8_t, std::uint8_t flushReceive) {
    if (fails("flush") || handle != openHandle_) {
        return usb::InvalidHandle;
    }
    if (flushReceive != 0) {
        rx_.clear();
    }
    return usb::Ok;
}

int ScriptedLibrary::setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    calls_.push_back("settimeouts");
    readTimeout_ = readMs;
    writeTimeout_ = writeMs;
    return usb::Ok;
}

int ScriptedLibrary::getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) {
    calls_.push_back("gettimeouts");
    *readMs = readTimeout_;
    *writeMs = writeTimeout_;
    return usb::Ok;
}

int ScriptedLibrary::checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                                  std::uint32_t* queueStatus) {
    if (fails("queue") || handle != openHandle_) {
        return usb::DeviceIoFailed;
    }
    *bytesInQueue = static_cast<std::uint32_t>(rx_.size());
    if (queueStatus != nullptr) {
        *queueStatus = 0;
    }
    return usb::Ok;
}

}  // namespace testing_support
