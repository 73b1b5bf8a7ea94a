#include "form/HelpDialogs.h"

HelpEntry getHelpEntry (HelpTopic)
{
    return {};
}

void showHelp (HelpTopic)
{
}
