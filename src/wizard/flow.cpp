// The wizard flow run by the main window's command 100.
#include "flow.h"

// The pages and drivers are wired in here; until then the run goes straight on to the
// clean-up.
int WizardFlow(HWND owner, int proposed, int allowed)
{
    (void)owner;
    (void)proposed;
    (void)allowed;
    return 0;
}
