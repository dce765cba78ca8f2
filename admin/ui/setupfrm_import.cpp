// The roster import of the settings screen.
#include "admin/ui/setupfrm.h"

void TSetupFrm::ActImportExecute()
{
    // Built with the roster import.
}
