#pragma once

#include <sys/types.h>

#include <string>

namespace hf::test {

// An Xvfb of a suite's own, 1280 x 1024, for as long as the object lives:
// pointer and keyboard grabs and real pointer events must not meet other
// suites' windows. display() is empty when no server could be started.
class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    PrivateXServer(PrivateXServer&&) = delete;
    PrivateXServer& operator=(PrivateXServer&&) = delete;

    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace hf::test
