// The name of the operating system the plug-in was built for, one implementation per platform.
#pragma once

// The platform word that VorlixPlugin_Version("platform") returns.
const char* platformName();
