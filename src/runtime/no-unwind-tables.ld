/* The launcher throws no exception and unwinds no stack: the unwind tables
   that the runtime's objects bring are left out of the image. Those of
   crtbegin.o and crtend.o stay, since they mark where the tables begin and
   end for a registration that never finds an unwinder to register with. */
SECTIONS
{
  /DISCARD/ : { EXCLUDE_FILE(*crtbegin.o *crtend.o) *(.eh_frame) }
}
INSERT BEFORE .eh_frame;
