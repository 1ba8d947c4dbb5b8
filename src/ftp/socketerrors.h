#pragma once
#include <QtNetwork/QAbstractSocket>
#include <QtNetwork/QHostInfo>

// Socket failures are reported with the classic Winsock numbers (10061 refused, 11001 host
// not found, ...), which the log texts and the owners' error values carry.
int SocketErrorNumber(QAbstractSocket::SocketError error);
int LookupErrorNumber(QHostInfo::HostInfoError error);
