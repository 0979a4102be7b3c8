#pragma once
// Binds the server-kept configuration files to the connection, the client flags and the files'
// loaders.
struct NetServices;
void BindServerConfigFiles(NetServices& services);
