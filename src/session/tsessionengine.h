#pragma once
#include "tftpcli.h"

#include <functional>

// The session's engine: TFtpCli that also tells the session about every sign of life on
// its connections, so the session can run the inactivity time-out of its own requests.
class TSessionEngine : public TFtpCli {
public:
    using TFtpCli::TFtpCli;
    std::function<void()> OnActivity;

protected:
    void DataActivity() override
    {
        TFtpCli::DataActivity();
        if (OnActivity)
            OnActivity();
    }
};
