#pragma once
// Fills the slots through which the server's window requests reach the gump layer.
void BindServerWindowSlots();
