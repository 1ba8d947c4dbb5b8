#include "sitetypes.h"

TFtpSiteInfo NewSiteInfo(const TOptions &options)
{
    TFtpSiteInfo site;
    site.Detail.Password = options.UserEmail;
    site.ConnTimeout = options.ConnTimeout;
    site.ConnRetries = options.NumRetry;
    site.ConnDelay = options.RetryDelay;
    site.TransTimeout = options.TransTimeout;
    site.TransRetries = options.TransRetry;
    site.TransDelay = options.TransDelay;
    return site;
}

void ResetTransferStats(TFtpSiteInfo &site)
{
    site.UpFiles = 0;
    site.UpBytes = 0;
    site.UpSpare = 0;
    site.UpSeconds = 0;
    site.DownFiles = 0;
    site.DownBytes = 0;
    site.DownSpare = 0;
    site.DownSeconds = 0;
}

void ResetConnectStats(TFtpSiteInfo &site)
{
    site.Connects = 0;
    site.ConnectTries = 0;
    site.ConnectSeconds = 0;
    site.LastConnect = -1.0;
}
