#pragma once
// Chat, messenger and help: the functions of this folder that others call and that are not built yet. Their
// stand-ins live in chat/stubs/; each goes away, with its declaration here, when its code arrives.
class CGMSSock {
  public:
    CGMSSock();
    virtual ~CGMSSock();
};
namespace ContextHelpManager {
void startup();
}
// F1: raises the context help window, or builds the current help page and opens the window on it.
void ShowContextHelp();
