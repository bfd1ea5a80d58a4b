// tCString: not yet written.
#pragma once
