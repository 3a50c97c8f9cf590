#pragma once

// Lets the window system deliver pending events while a long operation runs on the user-interface thread.
class EventDelivery
{
public:
    virtual ~EventDelivery() = default;

    // Delivers every event that is pending now and returns without waiting for more.
    virtual void deliverPending() = 0;
    // Sleeps until at least one event is pending, delivers what is pending, then returns.
    virtual void waitAndDeliver() = 0;
};
