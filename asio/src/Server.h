#pragma once
// The in-process server's counts: live objects (driver objects and class
// factories) and the hosts' server locks. The DLL may go only when both are
// zero.
namespace quorviasio {

void ObjectCreated();
void ObjectDestroyed();

}  // namespace quorviasio
