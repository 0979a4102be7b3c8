#pragma once
// Graphics: the functions of this folder that others call and that are not built yet. Their stand-ins
// live in render/stubs/; each goes away, with its declaration here, when its code arrives.
namespace SkipDrawHandler {
void startup();
}
namespace thelightthingie {
void startup();
void shutdown();
} // namespace thelightthingie
