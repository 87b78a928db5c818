#include "ov9174fp_resources.h"

#include <QtGlobal>

// Outside any namespace, as the resource initialisers require.
static int registerPanelResources()
{
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(softfrontpanel_lib);
    return 1;
}

static const int panelResourcesRegistered = registerPanelResources();

void ov9174fp_initResources()
{
    // Registered once, at static initialisation above.
    static const int once = panelResourcesRegistered ? panelResourcesRegistered : registerPanelResources();
    Q_UNUSED(once);
}
