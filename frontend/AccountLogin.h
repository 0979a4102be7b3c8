#pragma once
// The account login as the login screens send it.
#include <cstdint>

class CClientSock;

// Queues the account login on the connection: the game-room form (0xCF) with the game-room id when
// the game-room mode is on, otherwise the plain form (0x80). Returns 1 when it was queued.
int SubmitAccountLogin(CClientSock* connection, const char* account, const char* password, uint8_t key);
