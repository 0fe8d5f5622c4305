unit Unit1;
{$L vendor.obj}
{$LINK 'with blanks.obj'}
(*$L helper*)
// {$L commented.obj}
{ {$L inner.obj} }
s := '{$L string.obj}';
{$L+}
end.
