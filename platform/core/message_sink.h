#pragma once
// Engine code shows its modal messages (one OK button) through this, so it never needs a
// window. The window model implements it; tests record it.
#include <string>
#include <vector>

namespace rice {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// Drops every message (benchmarks).
class SilentSink : public MessageSink {
public:
    void ShowMessage(const std::string&) override {}
};

}  // namespace rice
