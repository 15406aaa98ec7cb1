#include "sound/soundinterface.h"

#include <utility>

SoundInterface::~SoundInterface() = default;

void SoundInterface::setAvailabilityHandler(AvailabilityHandler handler)
{
    m_availabilityHandler = std::move(handler);
    if (m_availabilityHandler)
        m_availabilityHandler(m_available);
}

void SoundInterface::reportAvailability(bool available)
{
    if (available == m_available)
        return;
    m_available = available;
    if (m_availabilityHandler)
        m_availabilityHandler(available);
}
