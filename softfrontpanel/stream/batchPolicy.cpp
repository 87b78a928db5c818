#include "batchPolicy.h"

#ifdef __linux__
#include <sched.h>
#endif

void BatchPolicy::enter()
{
#ifdef __linux__
    if (m_changed)
        return;
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0 || policy != SCHED_OTHER)
        return;
    const sched_param none{};
    if (pthread_setschedparam(pthread_self(), SCHED_BATCH, &none) == 0) {
        m_thread = pthread_self();
        m_changed = true;
    }
#endif
}

void BatchPolicy::leave()
{
#ifdef __linux__
    if (!m_changed)
        return;
    const sched_param none{};
    pthread_setschedparam(m_thread, SCHED_OTHER, &none);
    m_changed = false;
#endif
}
