// tCString2: not yet written.
#pragma once
