#pragma once
#include <QString>

namespace quillo {

// Status reports of a transfer, with the numbers and texts of the classic Windows internet API
// that OnStatus handlers expect.
enum TransferStatus {
    stResolvingName = 10,
    stNameResolved = 11,
    stConnectingToServer = 20,
    stConnected = 21,
    stSendingRequest = 30,
    stRequestSent = 31,
    stReceivingResponse = 40,
    stResponseReceived = 41,
    stClosingConnection = 50,
    stConnectionClosed = 51,
    stHandleCreated = 60,
    stHandleClosing = 70,
    stRequestComplete = 100,
    stRedirect = 110,
    stIntermediateResponse = 120,
};

QString StatusText(int code);

} // namespace quillo
