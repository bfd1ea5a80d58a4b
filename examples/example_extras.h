// The example's steps for the cipher, the password transform and shared
// memory (kept apart from the example's main flow).
#ifndef TAVO_EXAMPLES_EXAMPLE_EXTRAS_H
#define TAVO_EXAMPLES_EXAMPLE_EXTRAS_H

// Enciphers and deciphers a buffer with trc4.  Returns 1 when the buffer
// came back unchanged.
int example_rc4();

// Turns a password into its stored form with MySetPW and back with
// MyGetPW.  Returns 1 when the password came back.
int example_password();

// Creates a named shared block holding a counter, lets a child process
// join the block by its name and add one, and reads the result.  Returns 1
// when the child's increment is seen.
int example_shared_counter();

// Runs the three steps above, printing what each does.  Returns 1 when all
// succeeded.
int example_extras();

#endif  // TAVO_EXAMPLES_EXAMPLE_EXTRAS_H
