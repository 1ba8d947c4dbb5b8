#include "tcustomftpcli.h"

void TCustomFtpCli::StartDataStep(TFtpStep)
{
    throw FtpException(QStringLiteral("数据连接尚未提供"));
}

void TCustomFtpCli::CloseData() {}
