#pragma once

#include "event_delivery.h"

class QtEventDelivery final : public EventDelivery
{
public:
    void deliverPending() override;
    void waitAndDeliver() override;
};
