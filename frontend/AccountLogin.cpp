#include "frontend/AccountLogin.h"

#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/csocket.h"

int SubmitAccountLogin(CClientSock* connection, const char* account, const char* password, uint8_t key) {
    if (!connection) return 0;
    uint8_t buffer[78];
    PacketWriter packet(buffer);
    const std::string roomId = GetNetServices().gameRoomId();
    if (roomId.empty()) {
        PacketManager::SendAccountLogin(packet, account, password, key);
    } else {
        PacketManager::SendAccountLoginIgr(packet, account, password, key, roomId.c_str());
    }
    connection->Send(packet);
    return 1;
}
