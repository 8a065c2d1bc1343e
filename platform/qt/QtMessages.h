#pragma once
// The message service as real message boxes.
#include "platform/Messages.h"

namespace platform {

class QtMessageService : public MessageService {
public:
    void showMessage(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void showError(const std::string& text) override;
};

} // namespace platform
