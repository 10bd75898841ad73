 bogus
 end
