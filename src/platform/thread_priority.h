// The scheduling weight of the calling thread.
#pragma once

namespace kd {

// The calling thread gives way to every other thread of the program and of the machine: it
// runs at the lowest weight the scheduler has short of idle time only. Work in the
// background that the interface must never wait behind.
void lower_this_thread_priority();

}  // namespace kd
