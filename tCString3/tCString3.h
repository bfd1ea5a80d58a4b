// tCString3: not yet written.
#pragma once
