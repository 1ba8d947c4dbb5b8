#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <cstdint>
#include <stdexcept>

// A request refused before anything was sent; carries the message alone.
class FtpException : public std::runtime_error {
public:
    explicit FtpException(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString Message() const { return m_message; }

private:
    QString m_message;
};

enum TFtpEngineState {
    esNotConnected,
    esReady,
    esStepReady,
    esResolving,
    esConnected,
    esAborting,
    esWaitingGreeting,
    esWaitingReply,
};

enum TFtpRequestKind {
    rkNone, rkOpen, rkUser, rkPass, rkCwd, rkConnect, rkDir, rkLs, rkPort, rkGet, rkSyst,
    rkQuit, rkAbor, rkSize, rkPut, rkAppend, rkMkd, rkRmd, rkDele, rkRename, rkRenTo,
    rkRenFrom, rkPwd, rkQuote, rkCDup, rkTypeSet, rkRest, rkRestGet, rkRestPut, rkNoop,
    rkChMod, rkCommand,
};

enum TFtpStep {
    spOpen, spUser, spPass, spCwd, spSize, spMkd, spRmd, spRenFrom, spRenTo, spGet, spDir,
    spQuit, spSyst, spDele, spPwd, spQuote, spPut, spTypeSet, spRest, spCDup, spLs,
    spAppend, spPort, spAbor, spNoop, spChMod,
    spNone,  // no step has run yet in the current chain
};

// A set of steps, one bit per TFtpStep.
using TFtpStepSet = std::uint32_t;
constexpr TFtpStepSet StepBit(TFtpStep s) { return TFtpStepSet(1) << unsigned(s); }
